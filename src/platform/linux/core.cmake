# Files, INI profiles, drive letters, special folders and threads: no display needed.
add_library(lanchuan_platform STATIC
    linux/threads.cpp
)
target_include_directories(lanchuan_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(lanchuan_platform PUBLIC Threads::Threads)
