// Native windows: parents, rectangles, replaceable window procedures and moves, as Win32 has them.
#pragma once

#include <cstdint>

#include "platform/ui.h"

using WindowProcedure = std::intptr_t (*)(NativeWindow window, unsigned message,
                                          std::uintptr_t wParam, std::intptr_t lParam);

// Sent to a top-level window's procedure, on the UI thread, after every change of its client
// size (minimised: 0 x 0). wParam: one of the size kinds below; lParam: width in the low 16 bits,
// height in the next 16.
constexpr unsigned MessageSize = 0x0005;
// The size message's kinds, numbered as Win32 numbers them (not as the display states are).
constexpr std::uintptr_t SizeRestored = 0;
constexpr std::uintptr_t SizeMinimised = 1;
constexpr std::uintptr_t SizeMaximised = 2;

struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// All calls run on the UI thread (from another thread they wait, as ui.h's do); an unknown or
// destroyed handle gives 0, an empty rectangle or false.
NativeWindow PlatformGetParent(NativeWindow window);
// Outer edges in screen coordinates; for a top-level window the frame the window manager draws
// is included.
bool PlatformGetWindowRect(NativeWindow window, WindowRect* rect);
// The client area: left and top are 0, right and bottom its width and height.
bool PlatformGetClientRect(NativeWindow window, WindowRect* rect);
// Where the client area's top-left corner lies in screen coordinates (ClientToScreen of 0, 0).
// Window managers may draw a frame thicker below than at the sides, so this is the one way to
// place a child in its parent's client area from screen rectangles.
bool PlatformGetClientOrigin(NativeWindow window, int* left, int* top);
// The procedure that receives the window's messages. A window starts with a default procedure
// that does nothing and returns 0. Setting returns the procedure it replaced.
WindowProcedure PlatformGetWindowProcedure(NativeWindow window);
WindowProcedure PlatformSetWindowProcedure(NativeWindow window, WindowProcedure procedure);
std::intptr_t PlatformCallWindowProcedure(WindowProcedure procedure, NativeWindow window,
                                          unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam);
// Sends a message to the window's current procedure and returns its result.
std::intptr_t PlatformSendMessage(NativeWindow window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam);
// Moves and sizes a window: a child in its parent's client coordinates, a top-level window in
// screen coordinates with its frame. Negative sizes are taken as 0 on screen.
bool PlatformMoveWindow(NativeWindow window, int left, int top, int width, int height,
                        bool repaint);
