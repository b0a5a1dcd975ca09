// Native window handles over GTK widgets: rectangles, window procedures, size messages, moves.
#include <gdk/gdkx.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

#include "platform/linux/ui_internal.h"

namespace {

std::vector<NativeRecord*>& Records() {
    static auto* records = new std::vector<NativeRecord*>();
    return *records;
}

std::intptr_t DefaultProcedure(NativeWindow, unsigned, std::uintptr_t, std::intptr_t) {
    return 0;
}

// Handles are spaced out so that a small integer is never taken for a window.
constexpr NativeWindow handleBase = 0x10000;
constexpr NativeWindow handleStep = 16;

gboolean CheckSize(gpointer data) {
    NativeRecord* window = static_cast<NativeRecord*>(data);
    window->sizeCheckQueued = false;
    if (!window->alive) {
        return G_SOURCE_REMOVE;
    }
    int width = 0;
    int height = 0;
    ClientSize(window, &width, &height);
    if (width == window->reportedWidth && height == window->reportedHeight) {
        return G_SOURCE_REMOVE;
    }
    window->reportedWidth = width;
    window->reportedHeight = height;
    std::uintptr_t kind = window->iconified   ? SizeMinimised
                          : window->maximized ? SizeMaximised
                                              : SizeRestored;
    std::intptr_t sizes = std::intptr_t((width & 0xffff) | ((height & 0xffff) << 16));
    window->procedure(window->handle, MessageSize, kind, sizes);
    return G_SOURCE_REMOVE;
}

void OnClientAllocated(GtkWidget*, GdkRectangle*, gpointer data) {
    QueueSizeCheck(static_cast<NativeRecord*>(data));
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    NativeRecord* window = static_cast<NativeRecord*>(data);
    window->iconified = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    window->maximized = (event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
    QueueSizeCheck(window);
    return FALSE;
}

bool ReadFrameProperty(Display* display, Window xid, Atom extents, long values[4]) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, xid, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 4) {
        for (int i = 0; i < 4; ++i) {
            values[i] = reinterpret_cast<long*>(data)[i];
        }
        found = true;
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

// Where a top-level window's client area starts on the screen; before it is shown, inside the
// frame the window manager promised.
void TopLevelClientOrigin(NativeRecord* topLevel, int* left, int* top) {
    GdkWindow* gdkWindow = gtk_widget_get_window(topLevel->widget);
    if (gdkWindow != nullptr && gtk_widget_get_mapped(topLevel->widget)) {
        gdk_window_get_origin(gdkWindow, left, top);
        return;
    }
    gtk_window_get_position(GTK_WINDOW(topLevel->widget), left, top);
    *left += topLevel->frameLeft;
    *top += topLevel->frameTop;
}

// Runs work on the UI thread with the window's record; false when the handle is unknown or its
// window destroyed.
template <typename Work>
bool WithNative(NativeWindow window, Work work) {
    bool found = false;
    RunOnUiThread([&] {
        if (NativeRecord* record = FindNative(window)) {
            found = true;
            work(record);
        }
    });
    return found;
}

}  // namespace

NativeRecord* NewNativeRecord(bool topLevel, NativeWindow parent) {
    auto* record = new NativeRecord();
    record->handle = handleBase + handleStep * Records().size();
    record->parent = parent;
    record->topLevel = topLevel;
    record->alive = true;
    record->procedure = DefaultProcedure;
    Records().push_back(record);
    return record;
}

NativeRecord* FindNative(NativeWindow handle) {
    if (handle < handleBase || (handle - handleBase) % handleStep != 0) {
        return nullptr;
    }
    std::size_t index = (handle - handleBase) / handleStep;
    if (index >= Records().size() || !Records()[index]->alive) {
        return nullptr;
    }
    return Records()[index];
}

bool WindowManagerSupports(GdkScreen* screen, const char* hint) {
    return screen != nullptr && GDK_IS_X11_SCREEN(screen) &&
           gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string(hint));
}

const std::vector<NativeRecord*>& NativeRecords() {
    return Records();
}

void QueueSizeCheck(NativeRecord* window) {
    if (window->sizeCheckQueued || !window->alive) {
        return;
    }
    window->sizeCheckQueued = true;
    // After GTK's own layout and drawing, so the sizes read in the message are the new ones.
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, CheckSize, window, nullptr);
}

void WatchTopLevel(NativeRecord* window) {
    g_signal_connect(window->client, "size-allocate", G_CALLBACK(OnClientAllocated), window);
    g_signal_connect(window->widget, "window-state-event", G_CALLBACK(OnWindowState), window);
    ClientSize(window, &window->reportedWidth, &window->reportedHeight);
}

void ClientSize(NativeRecord* window, int* width, int* height) {
    *width = 0;
    *height = 0;
    if (window->topLevel) {
        if (window->iconified) {
            return;
        }
        if (gtk_widget_get_mapped(window->widget)) {
            *width = gtk_widget_get_allocated_width(window->client);
            *height = gtk_widget_get_allocated_height(window->client);
        } else {
            *width = window->width;
            *height = window->height;
        }
        return;
    }
    *width = std::max(window->width, 0);
    *height = std::max(window->height, 0);
}

// Asks the window manager for the frame it will draw, before the window is first mapped. The
// frame is asked without the bottom resize grip, so the bottom border is as wide as the sides
// (as on Windows, where the layout's border and caption measures come from); the window can
// still be resized at its edges.
void ReadFrameExtents(NativeRecord* window) {
    window->frameLeft = window->frameRight = window->frameTop = window->frameBottom = 0;
    gtk_widget_realize(window->widget);
    gdk_window_set_decorations(gtk_widget_get_window(window->widget),
                               GdkWMDecoration(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU |
                                               GDK_DECOR_MINIMIZE | GDK_DECOR_MAXIMIZE));
    if (!WindowManagerSupports(gtk_widget_get_screen(window->widget),
                               "_NET_REQUEST_FRAME_EXTENTS")) {
        return;
    }
    GdkWindow* gdkWindow = gtk_widget_get_window(window->widget);
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(gdkWindow));
    Window xid = GDK_WINDOW_XID(gdkWindow);
    Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    long values[4] = {0, 0, 0, 0};
    if (!ReadFrameProperty(display, xid, extents, values)) {
        XEvent request = {};
        request.xclient.type = ClientMessage;
        request.xclient.window = xid;
        request.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
        request.xclient.format = 32;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &request);
        XFlush(display);
        gint64 deadline = g_get_monotonic_time() + 300 * 1000;
        while (!ReadFrameProperty(display, xid, extents, values) &&
               g_get_monotonic_time() < deadline) {
            g_usleep(1000);
        }
    }
    window->frameLeft = int(values[0]);
    window->frameRight = int(values[1]);
    window->frameTop = int(values[2]);
    window->frameBottom = int(values[3]);
}

void PlaceChild(NativeRecord* child, int left, int top, int width, int height) {
    child->left = left;
    child->top = top;
    child->width = width;
    child->height = height;
    NativeRecord* parent = FindNative(child->parent);
    if (parent == nullptr || child->widget == nullptr) {
        return;
    }
    gtk_layout_move(GTK_LAYOUT(parent->client), child->widget, left, top);
    gtk_widget_set_size_request(child->widget, std::max(width, 0), std::max(height, 0));
}

NativeWindow PlatformGetParent(NativeWindow window) {
    NativeWindow parent = 0;
    WithNative(window, [&](NativeRecord* record) { parent = record->parent; });
    return parent;
}

bool PlatformGetWindowRect(NativeWindow window, WindowRect* rect) {
    *rect = WindowRect{};
    return WithNative(window, [&](NativeRecord* record) {
        if (record->topLevel) {
            GdkWindow* gdkWindow = gtk_widget_get_window(record->widget);
            if (gdkWindow != nullptr && gtk_widget_get_mapped(record->widget)) {
                GdkRectangle frame;
                gdk_window_get_frame_extents(gdkWindow, &frame);
                *rect = {frame.x, frame.y, frame.x + frame.width, frame.y + frame.height};
                return;
            }
            // Not yet shown: where it will stand, with the frame the window manager promised.
            int x = 0;
            int y = 0;
            gtk_window_get_position(GTK_WINDOW(record->widget), &x, &y);
            *rect = {x, y, x + record->frameLeft + record->width + record->frameRight,
                     y + record->frameTop + record->height + record->frameBottom};
            return;
        }
        NativeRecord* parent = FindNative(record->parent);
        int originX = 0;
        int originY = 0;
        if (parent != nullptr) {
            TopLevelClientOrigin(parent, &originX, &originY);
        }
        int left = originX + record->left;
        int top = originY + record->top;
        *rect = {left, top, left + std::max(record->width, 0), top + std::max(record->height, 0)};
    });
}

bool PlatformGetClientRect(NativeWindow window, WindowRect* rect) {
    *rect = WindowRect{};
    return WithNative(
        window, [&](NativeRecord* record) { ClientSize(record, &rect->right, &rect->bottom); });
}

WindowProcedure PlatformGetWindowProcedure(NativeWindow window) {
    WindowProcedure procedure = nullptr;
    WithNative(window, [&](NativeRecord* record) { procedure = record->procedure; });
    return procedure;
}

WindowProcedure PlatformSetWindowProcedure(NativeWindow window, WindowProcedure procedure) {
    WindowProcedure previous = nullptr;
    WithNative(window, [&](NativeRecord* record) {
        if (procedure != nullptr) {
            previous = record->procedure;
            record->procedure = procedure;
        }
    });
    return previous;
}

std::intptr_t PlatformCallWindowProcedure(WindowProcedure procedure, NativeWindow window,
                                          unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam) {
    if (procedure == nullptr) {
        return 0;
    }
    return procedure(window, message, wParam, lParam);
}

std::intptr_t PlatformSendMessage(NativeWindow window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    std::intptr_t result = 0;
    WithNative(window, [&](NativeRecord* record) {
        result = record->procedure(window, message, wParam, lParam);
    });
    return result;
}

bool PlatformMoveWindow(NativeWindow window, int left, int top, int width, int height,
                        bool repaint) {
    return WithNative(window, [&](NativeRecord* record) {
        if (record->topLevel) {
            GtkWindow* gtkWindow = GTK_WINDOW(record->widget);
            gtk_window_move(gtkWindow, left, top);
            int clientWidth = width - record->frameLeft - record->frameRight;
            int clientHeight = height - record->frameTop - record->frameBottom;
            gtk_window_resize(gtkWindow, std::max(clientWidth, 1), std::max(clientHeight, 1));
            if (!gtk_widget_get_mapped(record->widget)) {
                record->width = clientWidth;
                record->height = clientHeight;
            }
        } else {
            PlaceChild(record, left, top, width, height);
        }
        if (repaint && record->widget != nullptr) {
            gtk_widget_queue_draw(record->widget);
        }
    });
}

bool PlatformGetClientOrigin(NativeWindow window, int* left, int* top) {
    *left = 0;
    *top = 0;
    return WithNative(window, [&](NativeRecord* record) {
        NativeRecord* topLevel = record->topLevel ? record : FindNative(record->parent);
        if (topLevel == nullptr) {
            return;
        }
        TopLevelClientOrigin(topLevel, left, top);
        if (!record->topLevel) {
            *left += record->left;
            *top += record->top;
        }
    });
}
