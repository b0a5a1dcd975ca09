# Files, INI profiles, drive letters, special folders and threads: no display needed. Includes
# text/text.h for its value types only; it must not link lanchuan_text (which links this).
add_library(lanchuan_platform STATIC
    linux/threads.cpp
    linux/drive_map.cpp
    linux/files.cpp
    linux/folders.cpp
    linux/ini_format.cpp
    linux/profile.cpp
)
target_include_directories(lanchuan_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(lanchuan_platform PUBLIC Threads::Threads)
