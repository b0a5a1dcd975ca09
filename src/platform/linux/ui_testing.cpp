// Test and benchmark entry points of the GTK backend (ui_testing.h): key presses, focus, picks,
// placements, waits on the browser view, plain windows and the first-frame report. Only tests
// and benchmarks link this file's library.
#include <unistd.h>

#include <cstdio>

#include "platform/linux/ui_internal.h"
#include "platform/ui_testing.h"

namespace {

// The first drawing of the main window, once it is done; the handler then removes itself.
gboolean ReportFirstFrame(GtkWidget* widget, cairo_t*, gpointer) {
    std::printf("first-frame %lld %d\n", static_cast<long long>(g_get_monotonic_time()),
                static_cast<int>(getpid()));
    std::fflush(stdout);
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(ReportFirstFrame),
                                         nullptr);
    return FALSE;
}

// Waits for the main window at a priority above GTK's redraw, so the report is connected before
// the window's first frame is drawn.
gboolean WatchForMainWindow(gpointer) {
    MainWindowRecord* window = CurrentMainWindow();
    if (window == nullptr || window->native->widget == nullptr) {
        return G_SOURCE_CONTINUE;
    }
    g_signal_connect_after(window->native->widget, "draw", G_CALLBACK(ReportFirstFrame), nullptr);
    return G_SOURCE_REMOVE;
}

}  // namespace

void UiPumpEvents(int milliseconds) {
    if (!OnUiThread()) {
        return;
    }
    PumpUntil([] { return false; }, milliseconds);
}

void UiCloseMainWindow() {
    RunOnUiThread([] { CloseMainWindowNow(CurrentMainWindow()); });
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
        MainWindowRecord* currentWindow = CurrentMainWindow();
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
        MainWindowRecord* currentWindow = CurrentMainWindow();
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
        MainWindowRecord* currentWindow = CurrentMainWindow();
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

bool ComboListIsOpen(const Text& controlName) {
    bool open = false;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            open = gtk_widget_get_visible(control->menu);
        }
    });
    return open;
}

bool ComboPickEntry(const Text& controlName, int index) {
    bool picked = false;
    RunOnUiThread([&] {
        ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo);
        if (control == nullptr || !gtk_widget_is_sensitive(control->outer) || index < 0 ||
            index >= int(control->entries.size())) {
            return;
        }
        OpenComboList(control, nullptr);
        GList* items = gtk_container_get_children(GTK_CONTAINER(control->menu));
        GList* item = g_list_nth(items, index);
        if (item != nullptr) {
            gtk_menu_shell_activate_item(GTK_MENU_SHELL(control->menu), GTK_WIDGET(item->data),
                                         TRUE);
            picked = true;
        }
        g_list_free(items);
    });
    return picked;
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

std::vector<std::string> BrowserLoadedResources(const Text& controlName) {
    std::vector<std::string> resources;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::BrowserView)) {
            if (control->view != nullptr) {
                resources = LoadedResourcesOf(control);
            }
        }
    });
    return resources;
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

NativeWindow PlatformCreatePlainWindow(NativeWindow parent, int left, int top, int width,
                                       int height) {
    NativeWindow handle = 0;
    RunOnUiThread([&] {
        if (parent == 0) {
            NativeRecord* record = NewNativeRecord(true, 0);
            record->widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
            record->client = gtk_layout_new(nullptr, nullptr);
            gtk_container_add(GTK_CONTAINER(record->widget), record->client);
            record->width = width;
            record->height = height;
            gtk_window_set_default_size(GTK_WINDOW(record->widget), width, height);
            ReadFrameExtents(record);
            gtk_window_move(GTK_WINDOW(record->widget), left, top);
            WatchTopLevel(record);
            gtk_widget_show_all(record->widget);
            handle = record->handle;
            return;
        }
        NativeRecord* host = FindNative(parent);
        if (host == nullptr || !host->topLevel) {
            return;
        }
        NativeRecord* record = NewNativeRecord(false, parent);
        record->widget = gtk_drawing_area_new();
        gtk_layout_put(GTK_LAYOUT(host->client), record->widget, left, top);
        PlaceChild(record, left, top, width, height);
        gtk_widget_show(record->widget);
        handle = record->handle;
    });
    return handle;
}

void PlatformDestroyPlainWindow(NativeWindow window) {
    RunOnUiThread([&] {
        NativeRecord* record = FindNative(window);
        if (record == nullptr) {
            return;
        }
        std::vector<NativeRecord*> gone{record};
        if (record->topLevel) {
            for (NativeRecord* other : NativeRecords()) {
                if (other->alive && other->parent == window) {
                    gone.push_back(other);
                }
            }
        }
        for (NativeRecord* each : gone) {
            each->alive = false;
        }
        gtk_widget_destroy(record->widget);
        for (NativeRecord* each : gone) {
            each->widget = nullptr;
            each->client = nullptr;
        }
    });
}

void UiReportFirstFrame() {
    g_idle_add_full(G_PRIORITY_HIGH, WatchForMainWindow, nullptr, nullptr);
}
