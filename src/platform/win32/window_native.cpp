// Native windows on Win32: the platform handle is the HWND, and every call is the system's own
// (GetParent, GetWindowRect, GetClientRect, SetWindowLongPtrA, CallWindowProcA, MoveWindow).
#include "platform/win32/ui_internal.h"

// A WindowProcedure stands in for a WNDPROC: 64-bit Windows has one calling convention and the
// four arguments have the same sizes, so the one can be stored and called as the other.
static_assert(sizeof(NativeWindow) == sizeof(HWND));
static_assert(sizeof(std::uintptr_t) == sizeof(WPARAM) && sizeof(std::intptr_t) == sizeof(LPARAM));
static_assert(sizeof(std::intptr_t) == sizeof(LRESULT));

namespace {

// Runs work on the UI thread with the window; false when the handle names no window.
template <typename Work>
bool WithWindow(NativeWindow window, Work work) {
    bool found = false;
    RunForWindows([&] {
        HWND hwnd = ToWindow(window);
        if (window != 0 && IsWindow(hwnd)) {
            found = true;
            work(hwnd);
        }
    });
    return found;
}

WNDPROC ToWndProc(WindowProcedure procedure) {
    return reinterpret_cast<WNDPROC>(reinterpret_cast<void*>(procedure));
}

WindowProcedure FromWndProc(LONG_PTR procedure) {
    return reinterpret_cast<WindowProcedure>(procedure);
}

}  // namespace

NativeWindow PlatformGetParent(NativeWindow window) {
    NativeWindow parent = 0;
    WithWindow(window, [&](HWND hwnd) {
        // GetParent gives a top-level window's owner; only a child has a parent here.
        if ((GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) != 0) {
            parent = ToNative(GetParent(hwnd));
        }
    });
    return parent;
}

bool PlatformGetWindowRect(NativeWindow window, WindowRect* rect) {
    *rect = WindowRect{};
    return WithWindow(window, [&](HWND hwnd) {
        RECT outer;
        if (GetWindowRect(hwnd, &outer)) {
            *rect = {int(outer.left), int(outer.top), int(outer.right), int(outer.bottom)};
        }
    });
}

bool PlatformGetClientRect(NativeWindow window, WindowRect* rect) {
    *rect = WindowRect{};
    return WithWindow(window, [&](HWND hwnd) {
        RECT client;
        if (GetClientRect(hwnd, &client)) {
            *rect = {int(client.left), int(client.top), int(client.right), int(client.bottom)};
        }
    });
}

bool PlatformGetClientOrigin(NativeWindow window, int* left, int* top) {
    *left = 0;
    *top = 0;
    return WithWindow(window, [&](HWND hwnd) {
        POINT origin = {0, 0};
        ClientToScreen(hwnd, &origin);
        *left = int(origin.x);
        *top = int(origin.y);
    });
}

WindowProcedure PlatformGetWindowProcedure(NativeWindow window) {
    WindowProcedure procedure = nullptr;
    WithWindow(window,
               [&](HWND hwnd) { procedure = FromWndProc(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)); });
    return procedure;
}

WindowProcedure PlatformSetWindowProcedure(NativeWindow window, WindowProcedure procedure) {
    WindowProcedure previous = nullptr;
    WithWindow(window, [&](HWND hwnd) {
        if (procedure != nullptr) {
            previous = FromWndProc(SetWindowLongPtrA(
                hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToWndProc(procedure))));
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
    return CallWindowProcA(ToWndProc(procedure), ToWindow(window), message, wParam, lParam);
}

std::intptr_t PlatformSendMessage(NativeWindow window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    std::intptr_t result = 0;
    WithWindow(window, [&](HWND hwnd) { result = SendMessageA(hwnd, message, wParam, lParam); });
    return result;
}

bool PlatformMoveWindow(NativeWindow window, int left, int top, int width, int height,
                        bool repaint) {
    bool moved = false;
    WithWindow(window, [&](HWND hwnd) {
        moved = MoveWindow(hwnd, left, top, width, height, repaint) != 0;
    });
    return moved;
}
