// The window's look: application CSS, the drawn window icon, and GBK/UTF-8 at the GTK edge.
#include <cstdio>

#include "platform/linux/app_icon_drawing.h"
#include "platform/linux/charset.h"
#include "platform/linux/ui_internal.h"

namespace {

// Nothing when the bytes are not all valid GBK.
bool ConvertGbk(const char* data, std::size_t size, std::string* utf8) {
    const std::optional<std::string> converted =
        ConvertText(std::string_view(data, size), "UTF-8", "GBK");
    if (!converted) {
        return false;
    }
    utf8->append(*converted);
    return true;
}

}  // namespace

// A text cut from a broken page may hold bytes that are no GBK: those characters show as "?"
// instead of the whole text going blank.
std::string GbkToUtf8(const Text& text) {
    std::string result;
    if (text.empty() || ConvertGbk(text.data(), text.size(), &result)) {
        return result;
    }
    result.clear();
    for (std::size_t at = 0; at < text.size();) {
        const bool lead = static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size();
        const std::size_t length = lead ? 2 : 1;
        if (!ConvertGbk(text.data() + at, length, &result)) {
            result += '?';
        }
        at += length;
    }
    return result;
}

// GTK's texts are valid UTF-8; a character GBK lacks becomes "?".
Text Utf8ToGbk(const std::string& text) {
    return ConvertText(text, "GBK", "UTF-8", true).value_or(Text());
}

// Adwaita's minimum sizes would make a combo box 34 px high; the layout wants 20.
void InstallStyle(std::uint32_t background) {
    static GtkCssProvider* provider = nullptr;
    if (provider == nullptr) {
        provider = gtk_css_provider_new();
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                                  GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    char css[1024];
    std::snprintf(css, sizeof css,
                  "window.lanchuan, window.lanchuan layout { background-color: #%06x; }\n"
                  ".lanchuan-combo entry { min-height: 0; padding: 0 3px; font-size: 9pt;"
                  " border-radius: 0; }\n"
                  ".lanchuan-combo button { min-height: 0; min-width: 0; padding: 0 1px;"
                  " border-radius: 0; }\n"
                  ".lanchuan-list menuitem { min-height: 0; padding: 1px 4px; font-size: 9pt; }\n",
                  unsigned(background & 0xffffff));
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
}

namespace {

// The program's icon at one of the window's icon sizes.
GdkPixbuf* DrawIcon(int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    DrawAppIcon(cr, size);
    cairo_destroy(cr);
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(surface, 0, 0, size, size);
    cairo_surface_destroy(surface);
    return pixbuf;
}

}  // namespace

void SetWindowIcons(GtkWindow* window) {
    GList* icons = nullptr;
    for (int size : {16, 32, 48}) {
        icons = g_list_append(icons, DrawIcon(size));
    }
    gtk_window_set_icon_list(window, icons);
    g_list_free_full(icons, g_object_unref);
}
