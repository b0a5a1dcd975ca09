// The main window's life cycle: creation from its layout, first show, caption, close and loop.
#include <algorithm>

#include "platform/linux/ui_internal.h"

namespace {

MainWindowRecord* currentWindow = nullptr;

void CentreOnScreen(MainWindowRecord* window, int outerWidth, int outerHeight) {
    int screenWidth = 0;
    int screenHeight = 0;
    ScreenSize(&screenWidth, &screenHeight);
    gtk_window_move(GTK_WINDOW(window->native->widget), (screenWidth - outerWidth) / 2,
                    (screenHeight - outerHeight) / 2);
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    CloseMainWindowNow(static_cast<MainWindowRecord*>(data));
    return TRUE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    if (event->keyval == GDK_KEY_Escape) {
        CloseMainWindowNow(static_cast<MainWindowRecord*>(data));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void ScreenSize(int* width, int* height) {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (monitor == nullptr && display != nullptr) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    GdkRectangle area = {0, 0, 0, 0};
    if (monitor != nullptr) {
        gdk_monitor_get_geometry(monitor, &area);
    }
    *width = area.width;
    *height = area.height;
}

// The close button, Close in the window menu, Alt+F4 and Esc all end here.
void CloseMainWindowNow(MainWindowRecord* window) {
    if (window == nullptr || window->closing || currentWindow != window) {
        return;
    }
    window->closing = true;
    if (window->layout.onDestroying != nullptr) {
        window->layout.onDestroying();
    }
    CloseUiDispatch();
    NativeRecord* native = window->native;
    native->alive = false;
    for (ControlRecord* control : window->controls) {
        control->native->alive = false;
        if (control->menu != nullptr) {
            gtk_widget_destroy(control->menu);
        }
    }
    currentWindow = nullptr;
    gtk_widget_destroy(native->widget);
    native->widget = nullptr;
    native->client = nullptr;
    for (ControlRecord* control : window->controls) {
        control->native->widget = nullptr;
        control->outer = control->entry = control->button = control->menu = nullptr;
        control->view = nullptr;
    }
    if (window->loop != nullptr && g_main_loop_is_running(window->loop)) {
        g_main_loop_quit(window->loop);
    }
}

MainWindowRecord* CurrentMainWindow() {
    return currentWindow;
}

void SetCurrentMainWindow(MainWindowRecord* window) {
    currentWindow = window;
}

ControlRecord* FindControl(const Text& name) {
    if (currentWindow == nullptr) {
        return nullptr;
    }
    for (ControlRecord* control : currentWindow->controls) {
        if (control->layout.name == name && control->native->alive) {
            return control;
        }
    }
    return nullptr;
}

ControlRecord* FindControl(const Text& name, ControlKind kind) {
    ControlRecord* control = FindControl(name);
    return control != nullptr && control->layout.kind == kind ? control : nullptr;
}

bool UiInitialise() {
    static bool initialised = false;
    if (initialised) {
        return true;
    }
    // Native window handles, positions and frames are X11 notions.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        return false;
    }
    initialised = true;
    RecordUiThread();
    OpenUiDispatch();
    return true;
}

bool CreateMainWindow(const WindowLayout& layout) {
    if (!OnUiThread() || currentWindow != nullptr) {
        return false;
    }
    OpenUiDispatch();
    auto* window = new MainWindowRecord();
    window->layout = layout;
    window->loop = g_main_loop_new(nullptr, FALSE);
    InstallStyle(layout.background);

    NativeRecord* native = NewNativeRecord(true, 0);
    window->native = native;
    native->widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* gtkWindow = GTK_WINDOW(native->widget);
    gtk_style_context_add_class(gtk_widget_get_style_context(native->widget), "lanchuan");
    gtk_window_set_title(gtkWindow, GbkToUtf8(layout.caption).c_str());
    SetWindowIcons(gtkWindow);
    native->client = gtk_layout_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(native->widget), native->client);

    ReadFrameExtents(native);
    native->width = std::max(layout.outerWidth - native->frameLeft - native->frameRight, 1);
    native->height = std::max(layout.outerHeight - native->frameTop - native->frameBottom, 1);
    gtk_window_set_default_size(gtkWindow, native->width, native->height);
    CentreOnScreen(window, layout.outerWidth, layout.outerHeight);

    std::vector<GtkWidget*> focusChain;
    for (const ControlLayout& controlLayout : layout.controls) {
        auto* control = new ControlRecord();
        control->layout = controlLayout;
        control->native = NewNativeRecord(false, native->handle);
        switch (controlLayout.kind) {
            case ControlKind::TransparentLabel:
                control->outer = CreateLabel(control);
                break;
            case ControlKind::EditableCombo:
                control->outer = CreateCombo(control);
                break;
            case ControlKind::BrowserView:
                control->outer = CreateBrowser(control);
                break;
        }
        control->native->widget = control->outer;
        gtk_layout_put(GTK_LAYOUT(native->client), control->outer, controlLayout.left,
                       controlLayout.top);
        PlaceChild(control->native, controlLayout.left, controlLayout.top, controlLayout.width,
                   controlLayout.height);
        gtk_widget_set_sensitive(control->outer, controlLayout.enabled);
        gtk_widget_set_visible(control->outer, controlLayout.visible);
        if (controlLayout.tabStop) {
            focusChain.push_back(control->outer);
        }
        window->controls.push_back(control);
    }
    GList* chain = nullptr;
    for (GtkWidget* widget : focusChain) {
        chain = g_list_append(chain, widget);
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(native->client), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
    gtk_widget_show(native->client);

    g_signal_connect(native->widget, "delete-event", G_CALLBACK(OnDelete), window);
    g_signal_connect(native->widget, "key-press-event", G_CALLBACK(OnKeyPress), window);
    WatchTopLevel(native);
    currentWindow = window;
    if (layout.onCreated != nullptr) {
        layout.onCreated();
    }
    return currentWindow == window;
}

void ShowMainWindow() {
    MainWindowRecord* window = currentWindow;
    if (!OnUiThread() || window == nullptr || window->shown) {
        return;
    }
    window->shown = true;
    GtkWindow* gtkWindow = GTK_WINDOW(window->native->widget);
    if (window->recordedState == DisplayMaximised) {
        gtk_window_maximize(gtkWindow);
    } else if (window->recordedState == DisplayMinimised) {
        gtk_window_iconify(gtkWindow);
    }
    gtk_widget_show(window->native->widget);
}

void RunMessageLoop() {
    MainWindowRecord* window = currentWindow;
    if (!OnUiThread() || window == nullptr) {
        return;
    }
    g_main_loop_run(window->loop);
}

bool MainWindowExists() {
    bool exists = false;
    RunOnUiThread([&] { exists = currentWindow != nullptr; });
    return exists;
}

void SetCaption(const Text& caption) {
    RunOnUiThread([&] {
        if (currentWindow != nullptr) {
            gtk_window_set_title(GTK_WINDOW(currentWindow->native->widget),
                                 GbkToUtf8(caption).c_str());
        }
    });
}

Text ReadCaption() {
    Text caption;
    RunOnUiThread([&] {
        if (currentWindow != nullptr) {
            caption = Utf8ToGbk(gtk_window_get_title(GTK_WINDOW(currentWindow->native->widget)));
        }
    });
    return caption;
}

NativeWindow MainWindowHandle() {
    NativeWindow handle = 0;
    RunOnUiThread([&] {
        if (currentWindow != nullptr) {
            handle = currentWindow->native->handle;
        }
    });
    return handle;
}

NativeWindow ControlHandle(const Text& controlName) {
    NativeWindow handle = 0;
    WithControl(controlName, [&](ControlRecord* control) { handle = control->native->handle; });
    return handle;
}

void ControlSetEnabled(const Text& controlName, bool enabled) {
    WithControl(controlName, [&](ControlRecord* control) {
        control->layout.enabled = enabled;
        gtk_widget_set_sensitive(control->outer, enabled);
    });
}

bool ControlIsEnabled(const Text& controlName) {
    bool enabled = false;
    WithControl(controlName, [&](ControlRecord* control) {
        enabled = gtk_widget_get_sensitive(control->outer);
    });
    return enabled;
}

void ControlSetVisible(const Text& controlName, bool visible) {
    WithControl(controlName,
                [&](ControlRecord* control) { gtk_widget_set_visible(control->outer, visible); });
}

bool ControlIsVisible(const Text& controlName) {
    bool visible = false;
    WithControl(controlName,
                [&](ControlRecord* control) { visible = gtk_widget_get_visible(control->outer); });
    return visible;
}
