// The program's icon, a sun behind a cloud, drawn with cairo at any size: the window carries it,
// and the package's menu icons are drawn from it by data/tools/app_icon/.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>

inline void DrawAppIcon(cairo_t* cr, int size) {
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
