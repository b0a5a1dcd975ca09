// The browser view: a WebKitWebView that shows local pages with page scripts off.
#include "platform/files.h"
#include "platform/linux/ui_internal.h"

namespace {

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    if (event == WEBKIT_LOAD_FINISHED) {
        static_cast<ControlRecord*>(data)->loadsFinished++;
    }
}

// The WebKit view costs more to make than the whole rest of the window, so the control's own
// window is a plain box and the view inside it is made once the window has been drawn.
void MakeView(ControlRecord* control) {
    if (control->view != nullptr || control->outer == nullptr || !control->native->alive) {
        return;
    }
    // With the default cache model a picture rewritten under the same name stays stale.
    webkit_web_context_set_cache_model(webkit_web_context_get_default(),
                                       WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    WebKitSettings* settings = webkit_settings_new();
    // The shown table comes from the network; it must never run script in a local page.
    webkit_settings_set_enable_javascript(settings, FALSE);
    webkit_settings_set_enable_javascript_markup(settings, FALSE);
    webkit_settings_set_default_charset(settings, "GBK");
    // A page of one table needs no GPU; without one (as under Xvfb) accelerated drawing stays
    // blank.
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    GtkWidget* view = webkit_web_view_new_with_settings(settings);
    g_object_unref(settings);
    control->view = WEBKIT_WEB_VIEW(view);
    g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), control);
    std::string name = GbkToUtf8(control->layout.accessibleName);
    if (!name.empty()) {
        atk_object_set_name(gtk_widget_get_accessible(view), name.c_str());
    }
    gtk_box_pack_start(GTK_BOX(control->outer), view, TRUE, TRUE, 0);
    gtk_widget_show(view);
}

gboolean MakeViewWhenIdle(gpointer data) {
    MakeView(static_cast<ControlRecord*>(data));
    return G_SOURCE_REMOVE;
}

gboolean OnFirstDraw(GtkWidget* widget, cairo_t*, gpointer data) {
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(OnFirstDraw), data);
    g_idle_add_full(G_PRIORITY_LOW, MakeViewWhenIdle, data, nullptr);
    return FALSE;
}

}  // namespace

GtkWidget* CreateBrowser(ControlRecord* control) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    std::string name = GbkToUtf8(control->layout.accessibleName);
    if (!name.empty()) {
        atk_object_set_name(gtk_widget_get_accessible(box), name.c_str());
    }
    g_signal_connect_after(box, "draw", G_CALLBACK(OnFirstDraw), control);
    return box;
}

void BrowserShowLocalPage(const Text& controlName, const Text& path) {
    std::string diskPath = PlatformDiskPath(path);
    RunOnUiThread([&] {
        ControlRecord* control = FindControl(controlName, ControlKind::BrowserView);
        if (control == nullptr || diskPath.empty()) {
            return;
        }
        gchar* uri = g_filename_to_uri(diskPath.c_str(), nullptr, nullptr);
        if (uri == nullptr) {
            return;
        }
        MakeView(control);
        // load_uri goes to the file again even when it is the page shown already.
        webkit_web_view_load_uri(control->view, uri);
        g_free(uri);
    });
}

int BrowserLoadsFinished(const Text& controlName) {
    int loads = 0;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::BrowserView)) {
            loads = control->loadsFinished;
        }
    });
    return loads;
}

std::string BrowserCurrentUri(const Text& controlName) {
    std::string uri;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::BrowserView)) {
            const gchar* current =
                control->view != nullptr ? webkit_web_view_get_uri(control->view) : nullptr;
            uri = current != nullptr ? current : "";
        }
    });
    return uri;
}

bool BrowserWaitLoadsFinished(const Text& controlName, int count, int timeoutMilliseconds) {
    if (OnUiThread()) {
        return PumpUntil([&] { return BrowserLoadsFinished(controlName) >= count; },
                         timeoutMilliseconds);
    }
    gint64 deadline = g_get_monotonic_time() + gint64(timeoutMilliseconds) * 1000;
    while (BrowserLoadsFinished(controlName) < count) {
        if (g_get_monotonic_time() >= deadline || !MainWindowExists()) {
            return false;
        }
        g_usleep(10 * 1000);
    }
    return true;
}
