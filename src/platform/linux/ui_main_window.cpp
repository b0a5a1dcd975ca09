// The main window: creation from its layout, first show, display state, caption, close and loop.
#include <gdk/gdkx.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/linux/ui_internal.h"

namespace {

MainWindowRecord* currentWindow = nullptr;

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

void CentreOnScreen(MainWindowRecord* window, int outerWidth, int outerHeight) {
    int screenWidth = 0;
    int screenHeight = 0;
    ScreenSize(&screenWidth, &screenHeight);
    gtk_window_move(GTK_WINDOW(window->native->widget), (screenWidth - outerWidth) / 2,
                    (screenHeight - outerHeight) / 2);
}

// The close button, Close in the window menu, Alt+F4 and Esc all end here.
void CloseNow(MainWindowRecord* window) {
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

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    CloseNow(static_cast<MainWindowRecord*>(data));
    return TRUE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    if (event->keyval == GDK_KEY_Escape) {
        CloseNow(static_cast<MainWindowRecord*>(data));
        return TRUE;
    }
    return FALSE;
}

bool StateIs(NativeRecord* native, int state) {
    switch (state) {
        case 2:
            return native->iconified;
        case 3:
            return native->maximized && !native->iconified;
        default:
            return !native->maximized && !native->iconified;
    }
}

bool WindowManagerRuns() {
    GdkScreen* screen = gdk_screen_get_default();
    return screen != nullptr && GDK_IS_X11_SCREEN(screen) &&
           gdk_x11_screen_supports_net_wm_hint(
               screen, gdk_atom_intern_static_string("_NET_WM_STATE_MAXIMIZED_VERT"));
}

// Applies a display state to the shown window and waits briefly until the window manager has
// carried it out, so that a following read sees it.
void ApplyDisplayState(MainWindowRecord* window, int state) {
    NativeRecord* native = window->native;
    GtkWindow* gtkWindow = GTK_WINDOW(native->widget);
    GdkWindow* gdkWindow = gtk_widget_get_window(native->widget);
    // Entering or leaving maximised changes the size, but the window manager announces the new
    // state before the configure that carries the new size: until that arrives, the window and
    // its client area still agree on the old size.
    bool resizes = state != 2 && native->maximized != (state == 3);
    int oldWidth = gdk_window_get_width(gdkWindow);
    int oldHeight = gdk_window_get_height(gdkWindow);
    switch (state) {
        case 2:
            gtk_window_iconify(gtkWindow);
            break;
        case 3:
            gtk_window_deiconify(gtkWindow);
            gtk_window_maximize(gtkWindow);
            break;
        default:
            gtk_window_deiconify(gtkWindow);
            gtk_window_unmaximize(gtkWindow);
            break;
    }
    if (!WindowManagerRuns()) {
        return;
    }
    // Wait for the state, the new size, the client area's allocation and the size message.
    PumpUntil(
        [&] {
            if (!native->alive) {
                return true;
            }
            int width = gdk_window_get_width(gdkWindow);
            int height = gdk_window_get_height(gdkWindow);
            bool resized = !resizes || width != oldWidth || height != oldHeight;
            bool settled =
                state == 2 || (width == gtk_widget_get_allocated_width(native->client) &&
                               height == gtk_widget_get_allocated_height(native->client));
            return StateIs(native, state) && resized && settled && !native->sizeCheckQueued;
        },
        1000);
    if (state == 1 && native->alive) {
        // Centred by the restored size: the frame the window manager draws around the settled
        // client area.
        int width =
            native->frameLeft + gtk_widget_get_allocated_width(native->client) + native->frameRight;
        int height = native->frameTop + gtk_widget_get_allocated_height(native->client) +
                     native->frameBottom;
        int screenWidth = 0;
        int screenHeight = 0;
        ScreenSize(&screenWidth, &screenHeight);
        int left = (screenWidth - width) / 2;
        int top = (screenHeight - height) / 2;
        gtk_window_move(gtkWindow, left, top);
        PumpUntil(
            [&] {
                WindowRect now;
                PlatformGetWindowRect(native->handle, &now);
                return !native->alive || (now.left == left && now.top == top);
            },
            1000);
    }
}

// Runs work on the UI thread with the named control, when the main window has it.
template <typename Work>
void WithControl(const Text& controlName, Work work) {
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName)) {
            work(control);
        }
    });
}

// For the start-up benchmark: with LANCHUAN_REPORT_FIRST_FRAME set, the first drawing of the
// window is reported on stdout with the monotonic clock's microseconds and the process id.
gboolean ReportFirstFrame(GtkWidget* widget, cairo_t*, gpointer) {
    std::printf("first-frame %lld %d\n", static_cast<long long>(g_get_monotonic_time()),
                static_cast<int>(getpid()));
    std::fflush(stdout);
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(ReportFirstFrame),
                                         nullptr);
    return FALSE;
}

}  // namespace

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
    if (window->recordedState == 3) {
        gtk_window_maximize(gtkWindow);
    } else if (window->recordedState == 2) {
        gtk_window_iconify(gtkWindow);
    }
    if (g_getenv("LANCHUAN_REPORT_FIRST_FRAME") != nullptr) {
        g_signal_connect_after(window->native->widget, "draw", G_CALLBACK(ReportFirstFrame),
                               nullptr);
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

void UiCloseMainWindow() {
    RunOnUiThread([] { CloseNow(currentWindow); });
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

int ReadDisplayState() {
    int state = 0;
    RunOnUiThread([&] {
        if (currentWindow != nullptr && currentWindow->shown) {
            NativeRecord* native = currentWindow->native;
            state = native->iconified ? 2 : native->maximized ? 3 : 0;
        }
    });
    return state;
}

void SetDisplayState(int state) {
    RunOnUiThread([&] {
        if (currentWindow == nullptr) {
            return;
        }
        int clamped = std::clamp(state, 0, 3);
        currentWindow->recordedState = clamped;
        if (currentWindow->shown) {
            ApplyDisplayState(currentWindow, clamped);
        }
    });
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

void UiFocusControl(const Text& controlName) {
    WithControl(controlName, [&](ControlRecord* control) {
        if (control->entry != nullptr) {
            gtk_widget_grab_focus(control->entry);
        } else if (control->view != nullptr) {
            gtk_widget_grab_focus(GTK_WIDGET(control->view));
        } else {
            gtk_widget_grab_focus(control->outer);
        }
    });
}

Text UiFocusedControl() {
    Text name;
    RunOnUiThread([&] {
        if (currentWindow == nullptr) {
            return;
        }
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(currentWindow->native->widget));
        for (ControlRecord* control : currentWindow->controls) {
            if (focus != nullptr &&
                (focus == control->outer || gtk_widget_is_ancestor(focus, control->outer))) {
                name = control->layout.name;
            }
        }
    });
    return name;
}

void UiPressKey(const std::string& keyName, bool alt) {
    RunOnUiThread([&] {
        if (currentWindow == nullptr) {
            return;
        }
        guint keyval = gdk_keyval_from_name(keyName.c_str());
        GdkWindow* target = gtk_widget_get_window(currentWindow->native->widget);
        if (keyval == GDK_KEY_VoidSymbol || target == nullptr) {
            return;
        }
        // Through GDK's event queue, so the key takes the path a typed key takes in GTK.
        GdkDisplay* display = gdk_window_get_display(target);
        GdkDevice* keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
        GdkKeymapKey* keys = nullptr;
        gint keyCount = 0;
        gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                          &keyCount);
        for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
            GdkEvent* event = gdk_event_new(type);
            event->key.window = GDK_WINDOW(g_object_ref(target));
            event->key.send_event = TRUE;
            event->key.time = GDK_CURRENT_TIME;
            event->key.keyval = keyval;
            event->key.state = alt ? GDK_MOD1_MASK : 0;
            event->key.hardware_keycode = keyCount > 0 ? keys[0].keycode : 0;
            event->key.group = keyCount > 0 ? keys[0].group : 0;
            gdk_event_set_device(event, keyboard);
            gdk_event_put(event);
            gdk_event_free(event);
        }
        g_free(keys);
    });
}

bool UiControlPlacement(const Text& controlName, int* left, int* top, int* width, int* height) {
    bool placed = false;
    *left = *top = *width = *height = 0;
    RunOnUiThread([&] {
        ControlRecord* control = FindControl(controlName);
        if (control == nullptr || !gtk_widget_get_realized(control->outer)) {
            return;
        }
        int x = 0;
        int y = 0;
        GtkWidget* client = currentWindow->native->client;
        if (!gtk_widget_translate_coordinates(control->outer, client, 0, 0, &x, &y)) {
            return;
        }
        *left = x;
        *top = y;
        *width = gtk_widget_get_allocated_width(control->outer);
        *height = gtk_widget_get_allocated_height(control->outer);
        placed = true;
    });
    return placed;
}
