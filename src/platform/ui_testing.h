// Entry points for tests and benchmarks only: driving the window as a user would, waiting on the
// browser view, plain windows for the layout, and the first frame. Linked from
// lanchuan_platform_ui_testing, which the program never links.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/window.h"

// UiPumpEvents runs the UI thread's pending events for about the given time (UI thread only).
// UiCloseMainWindow closes as the close button does. ComboPickEntry picks an entry from the open
// drop-down list as a user does (false when disabled or out of range). UiPressKey sends a key
// press to the focused control, a key name as X spells it ("Escape", "Tab", "a", "Down") with
// optional Alt; UiFocusControl gives a control the keyboard focus.
void UiPumpEvents(int milliseconds);
void UiCloseMainWindow();
bool ComboPickEntry(const Text& controlName, int index);
bool ComboListIsOpen(const Text& controlName);
void UiPressKey(const std::string& keyName, bool alt);
void UiFocusControl(const Text& controlName);
Text UiFocusedControl();  // layout name of the focused control, empty when none
// Where the toolkit has actually placed a control in the client area (after layout).
bool UiControlPlacement(const Text& controlName, int* left, int* top, int* width, int* height);

// The browser view: finished loads since creation, the view's address (a file:// URI in UTF-8,
// empty when blank), and a wait (pumping the UI thread when called on it) until at least count
// loads have finished; false on timeout.
int BrowserLoadsFinished(const Text& controlName);
std::string BrowserCurrentUri(const Text& controlName);
bool BrowserWaitLoadsFinished(const Text& controlName, int count, int timeoutMilliseconds);
// The addresses (UTF-8) of every resource the view has loaded whole, frames and pictures
// included, since it last started a page of its own; empty without a view.
std::vector<std::string> BrowserLoadedResources(const Text& controlName);

// Plain windows for tests of the layout: a top-level window (parent 0, shown at once, size is
// its client size) or a child of one. Destroying a top-level window destroys its children.
NativeWindow PlatformCreatePlainWindow(NativeWindow parent, int left, int top, int width,
                                       int height);
void PlatformDestroyPlainWindow(NativeWindow window);

// For the start-up benchmark: once called (after UiInitialise, before the message loop runs),
// the main window's first drawing prints "first-frame <monotonic microseconds> <process id>" on
// stdout.
void UiReportFirstFrame();
