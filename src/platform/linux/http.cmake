# The page fetch over libcurl.
add_library(lanchuan_platform_http INTERFACE)
