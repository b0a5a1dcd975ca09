// Draws the program's window icon, a sun behind a cloud, as a PNG of any size for the desktop.
// The drawing is DrawIcon of src/platform/linux/gtk_style.cpp call for call, so the menu shows
// the picture the window carries; tests/package/package_test.sh compares the two.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void DrawIcon(cairo_t* cr, int size) {
    double s = size / 48.0;
    cairo_set_source_rgb(cr, 1.0, 0.75, 0.1);
    cairo_arc(cr, 30 * s, 18 * s, 12 * s, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.95, 0.55, 0.05);
    cairo_set_line_width(cr, std::max(1.0, 2 * s));
    for (int ray = 0; ray < 8; ++ray) {
        double angle = ray * M_PI / 4;
        cairo_move_to(cr, 30 * s + std::cos(angle) * 14 * s, 18 * s + std::sin(angle) * 14 * s);
        cairo_line_to(cr, 30 * s + std::cos(angle) * 18 * s, 18 * s + std::sin(angle) * 18 * s);
    }
    cairo_stroke(cr);
    cairo_new_path(cr);
    cairo_arc(cr, 14 * s, 34 * s, 9 * s, 0, 2 * M_PI);
    cairo_arc(cr, 24 * s, 28 * s, 11 * s, 0, 2 * M_PI);
    cairo_arc(cr, 34 * s, 34 * s, 9 * s, 0, 2 * M_PI);
    cairo_rectangle(cr, 14 * s, 34 * s, 20 * s, 9 * s);
    cairo_set_source_rgb(cr, 0.3, 0.5, 0.75);
    cairo_set_line_width(cr, std::max(1.0, 3 * s));
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

}  // namespace

int main(int argc, char** argv) {
    int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 8 || size > 1024) {
        std::fprintf(stderr, "usage: make_app_icon SIZE OUT.png   (SIZE 8..1024 pixels)\n");
        return 2;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    DrawIcon(cr, size);
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
