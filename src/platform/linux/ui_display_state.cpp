// The main window's display states (normal, minimised, maximised) and the wait for the window
// manager to carry each one out.
#include <algorithm>

#include "platform/linux/ui_internal.h"

namespace {

bool StateIs(NativeRecord* native, int state) {
    switch (state) {
        case DisplayMinimised:
            return native->iconified;
        case DisplayMaximised:
            return native->maximized && !native->iconified;
        default:
            return !native->maximized && !native->iconified;
    }
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
    bool resizes = state != DisplayMinimised && native->maximized != (state == DisplayMaximised);
    int oldWidth = gdk_window_get_width(gdkWindow);
    int oldHeight = gdk_window_get_height(gdkWindow);
    switch (state) {
        case DisplayMinimised:
            gtk_window_iconify(gtkWindow);
            break;
        case DisplayMaximised:
            gtk_window_deiconify(gtkWindow);
            gtk_window_maximize(gtkWindow);
            break;
        default:
            gtk_window_deiconify(gtkWindow);
            gtk_window_unmaximize(gtkWindow);
            break;
    }
    if (!WindowManagerSupports(gdk_screen_get_default(), "_NET_WM_STATE_MAXIMIZED_VERT")) {
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
            bool settled = state == DisplayMinimised ||
                           (width == gtk_widget_get_allocated_width(native->client) &&
                            height == gtk_widget_get_allocated_height(native->client));
            return StateIs(native, state) && resized && settled && !native->sizeCheckQueued;
        },
        1000);
    if (state == DisplayNormalCentred && native->alive) {
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

}  // namespace

int ReadDisplayState() {
    int state = DisplayNormal;
    RunOnUiThread([&] {
        MainWindowRecord* window = CurrentMainWindow();
        if (window != nullptr && window->shown) {
            NativeRecord* native = window->native;
            state = native->iconified   ? DisplayMinimised
                    : native->maximized ? DisplayMaximised
                                        : DisplayNormal;
        }
    });
    return state;
}

void SetDisplayState(int state) {
    RunOnUiThread([&] {
        MainWindowRecord* window = CurrentMainWindow();
        if (window == nullptr) {
            return;
        }
        int clamped = std::clamp(state, int(DisplayNormal), int(DisplayMaximised));
        window->recordedState = clamped;
        if (window->shown) {
            ApplyDisplayState(window, clamped);
        }
    });
}
