# Launch to first frame and memory of the program's processes (run under a display).
if(LANCHUAN_GUI AND TARGET lanchuan-weather)
    add_executable(startup_bench startup_bench.cpp)
    target_link_libraries(startup_bench PRIVATE benchmark::benchmark)
    # No GBK texts here, and <chrono> carries a literal that GBK cannot hold.
    target_compile_options(startup_bench PRIVATE -fexec-charset=UTF-8)
    target_compile_definitions(startup_bench PRIVATE
        LANCHUAN_PROGRAM="$<TARGET_FILE:lanchuan-weather>")
    add_dependencies(startup_bench lanchuan-weather)
endif()
