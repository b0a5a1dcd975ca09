// Transparent labels: one line of text drawn twice (white at +1,+1, then its colour), no fill.
#include "platform/linux/ui_internal.h"

namespace {

// "宋体" and its usual Latin name stand for a Song-style CJK face; AR PL UMing is the one Debian
// carries, so it follows in the family list.
std::string FontFamilies(const Text& fontName) {
    if (fontName.empty()) {
        return "Sans";
    }
    if (fontName == "宋体" || fontName == "SimSun") {
        return reinterpret_cast<const char*>(u8"宋体,SimSun,AR PL UMing CN,AR PL UMing TW,serif");
    }
    return GbkToUtf8(fontName);
}

gboolean DrawLabel(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* control = static_cast<ControlRecord*>(data);
    const ControlLayout& layout = control->layout;
    PangoLayout* text = gtk_widget_create_pango_layout(widget, nullptr);
    PangoFontDescription* font =
        pango_font_description_from_string(FontFamilies(layout.fontName).c_str());
    int height = layout.fontHeight > 0 ? layout.fontHeight : 12;
    pango_font_description_set_absolute_size(font, height * PANGO_SCALE);
    pango_font_description_set_weight(font, layout.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(text, font);
    pango_font_description_free(font);
    pango_layout_set_single_paragraph_mode(text, TRUE);
    pango_layout_set_text(text, GbkToUtf8(control->labelText).c_str(), -1);

    int textWidth = 0;
    int textHeight = 0;
    pango_layout_get_pixel_size(text, &textWidth, &textHeight);
    int width = gtk_widget_get_allocated_width(widget);
    int areaHeight = gtk_widget_get_allocated_height(widget);
    double top = (areaHeight - textHeight) / 2;
    cairo_rectangle(cr, 0, 0, width, areaHeight);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 1, top + 1);
    pango_cairo_show_layout(cr, text);
    std::uint32_t colour = layout.textColour;
    cairo_set_source_rgb(cr, ((colour >> 16) & 0xff) / 255.0, ((colour >> 8) & 0xff) / 255.0,
                         (colour & 0xff) / 255.0);
    cairo_move_to(cr, 0, top);
    pango_cairo_show_layout(cr, text);
    g_object_unref(text);
    return TRUE;
}

}  // namespace

GtkWidget* CreateLabel(ControlRecord* control) {
    control->labelText = control->layout.text;
    GtkWidget* area = gtk_drawing_area_new();
    // Windowless, so the window's background shows through around the letters.
    gtk_widget_set_has_window(area, FALSE);
    g_signal_connect(area, "draw", G_CALLBACK(DrawLabel), control);
    AtkObject* accessible = gtk_widget_get_accessible(area);
    atk_object_set_role(accessible, ATK_ROLE_LABEL);
    atk_object_set_name(accessible, GbkToUtf8(control->labelText).c_str());
    return area;
}

void LabelSetText(const Text& controlName, const Text& text) {
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::TransparentLabel)) {
            control->labelText = text;
            atk_object_set_name(gtk_widget_get_accessible(control->outer), GbkToUtf8(text).c_str());
            gtk_widget_queue_draw(control->outer);
        }
    });
}

Text LabelReadText(const Text& controlName) {
    Text text;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::TransparentLabel)) {
            text = control->labelText;
        }
    });
    return text;
}
