# The window, its controls and the browser view over GTK 3 and WebKit2GTK.
pkg_check_modules(LANCHUAN_GTK REQUIRED IMPORTED_TARGET gtk+-3.0 webkit2gtk-4.1 x11)
add_library(lanchuan_platform_ui STATIC
    linux/ui_dispatch.cpp
    linux/ui_main_window.cpp
    linux/window_native.cpp
    linux/gtk_label.cpp
    linux/gtk_combo.cpp
    linux/gtk_browser.cpp
    linux/gtk_style.cpp
)
target_include_directories(lanchuan_platform_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(lanchuan_platform_ui PUBLIC lanchuan_platform Threads::Threads
    PRIVATE PkgConfig::LANCHUAN_GTK m)
