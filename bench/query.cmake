# The query road: the cut, wrap and write of a 100 KB page, and pick to page shown (display).
add_executable(bench_query_cut ${CMAKE_CURRENT_LIST_DIR}/query/cut_bench.cpp)
target_compile_definitions(bench_query_cut PRIVATE
    QUERY_FIXTURES="${PROJECT_SOURCE_DIR}/tests/query/fixtures")
target_link_libraries(bench_query_cut PRIVATE lanchuan_query_core benchmark::benchmark_main)

if(LANCHUAN_GUI AND TARGET lanchuan_shell)
    string(REGEX MATCH ":([0-9]+)$" bench_site_port_match "${LANCHUAN_SITE_BASE}")
    set(bench_site_port ${CMAKE_MATCH_1})
    pkg_check_modules(bench_query_httplib REQUIRED IMPORTED_TARGET cpp-httplib)
    add_executable(bench_query_pick ${CMAKE_CURRENT_LIST_DIR}/query/pick_bench.cpp)
    target_include_directories(bench_query_pick PRIVATE ${PROJECT_SOURCE_DIR}/tests/query)
    target_compile_definitions(bench_query_pick PRIVATE
        SITE_BINARY="$<TARGET_FILE:weather-site>" SITE_PORT=${bench_site_port})
    target_link_libraries(bench_query_pick PRIVATE lanchuan_shell lanchuan_query
        PkgConfig::bench_query_httplib benchmark::benchmark_main)
    add_dependencies(bench_query_pick weather-site)
endif()
