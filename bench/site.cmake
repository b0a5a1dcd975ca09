# The weather site under load: pages per second and p99 latency over 8 keep-alive connections.
add_executable(bench_site ${CMAKE_CURRENT_LIST_DIR}/site/site_bench.cpp)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/site/site_bench.cpp
    PROPERTIES COMPILE_OPTIONS -fexec-charset=UTF-8)
target_link_libraries(bench_site PRIVATE lanchuan_site benchmark::benchmark_main)
