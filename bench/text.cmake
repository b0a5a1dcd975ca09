# Text search, replacement and splitting over a mixed GBK page, and one INI value read.
add_executable(bench_text ${CMAKE_CURRENT_LIST_DIR}/text_bench.cpp)
target_link_libraries(bench_text PRIVATE lanchuan_text benchmark::benchmark_main)
