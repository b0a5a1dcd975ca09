# The window, its controls and the browser view over GTK 3 and WebKit2GTK.
add_library(lanchuan_platform_ui INTERFACE)
