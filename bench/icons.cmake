# Unpacking the 32 icons, as every start does.
add_executable(bench_icons ${CMAKE_CURRENT_LIST_DIR}/icons_bench.cpp)
target_link_libraries(bench_icons PRIVATE lanchuan_embedded benchmark::benchmark_main)
