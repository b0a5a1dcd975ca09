# The page fetch over libcurl.
# Includes text/text.h for its value types only.
find_package(CURL REQUIRED)
add_library(lanchuan_platform_http STATIC
    linux/http.cpp
)
target_include_directories(lanchuan_platform_http PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(lanchuan_platform_http PRIVATE CURL::libcurl)
