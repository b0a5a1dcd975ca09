// Draws the program's window icon, a sun behind a cloud, as a PNG of any size for the desktop.
// The drawing is the window's own, so the menu shows the picture the window carries;
// tests/package/package_test.sh compares the two.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

#include "platform/linux/app_icon_drawing.h"

int main(int argc, char** argv) {
    int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 8 || size > 1024) {
        std::fprintf(stderr, "usage: make_app_icon SIZE OUT.png   (SIZE 8..1024 pixels)\n");
        return 2;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    DrawAppIcon(cr, size);
    cairo_destroy(cr);
    cairo_status_t status = cairo_surface_write_to_png(surface, argv[2]);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "make_app_icon: cannot write %s: %s\n", argv[2],
                     cairo_status_to_string(status));
        return 1;
    }
    return 0;
}
