# The program: entry, start-up and close, the main window's layout, StartWorker.
if(LANCHUAN_GUI)
    add_library(lanchuan_shell STATIC
        program_main.cpp
        main_window_events.cpp
        main_window_layout.cpp
        start_worker.cpp
    )
    target_include_directories(lanchuan_shell PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(lanchuan_shell PUBLIC lanchuan_shared_state lanchuan_platform_ui
        lanchuan_platform lanchuan_storage lanchuan_embedded lanchuan_layout lanchuan_query
        lanchuan_text)

    add_executable(lanchuan-weather main.cpp)
    target_link_libraries(lanchuan-weather PRIVATE lanchuan_shell)
    set_target_properties(lanchuan-weather PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
