// The main window and its three kinds of control, callable from any thread like SendMessage.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text_types/text_types.h"

// A native window handle: the main window and each control have one; 0 is none.
using NativeWindow = std::uintptr_t;

enum class ControlKind { TransparentLabel, EditableCombo, BrowserView };

using WindowEventHandler = void (*)();

// One control of the main window. Colours are 0xRRGGBB.
struct ControlLayout {
    Text name;  // the layout name ("组合框1"); operations find the control by it
    ControlKind kind = ControlKind::TransparentLabel;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    Text text;  // label text at creation; combo boxes start empty
    bool visible = true;
    bool enabled = true;
    bool tabStop = false;
    std::uint32_t textColour = 0x000000;
    Text fontName;       // empty: the system's default GUI font
    int fontHeight = 0;  // character height in pixels; 0: the default
    bool bold = false;
    Text accessibleName;                              // what a screen reader calls the control
    WindowEventHandler onListItemSelected = nullptr;  // combo boxes: the user picked an entry
};

struct WindowLayout {
    Text caption;
    int outerWidth = 0;  // frame and title bar included
    int outerHeight = 0;
    std::uint32_t background = 0xffffff;
    std::vector<ControlLayout> controls;
    WindowEventHandler onCreated = nullptr;     // before the first show, window invisible
    WindowEventHandler onDestroying = nullptr;  // while window and controls still exist
};

// Every operation below may be called from any thread: it runs on the UI thread and returns when
// done. Once the main window has been destroyed each returns its default at once and changes
// nothing; a control operation without a main window does the same. Control names are GBK
// layout names.

// Program. UiInitialise connects to the display (false when there is none). CreateMainWindow
// builds the window invisible, centred, from the layout and runs onCreated; ShowMainWindow shows
// it for the first time in the recorded display state; RunMessageLoop returns once it is closed.
bool UiInitialise();
bool CreateMainWindow(const WindowLayout& layout);
void ShowMainWindow();
void RunMessageLoop();
bool MainWindowExists();

// Window.
void SetCaption(const Text& caption);
Text ReadCaption();
int ReadDisplayState();  // 2 minimised, 3 maximised, 0 otherwise
void SetDisplayState(int state);
NativeWindow MainWindowHandle();
NativeWindow ControlHandle(const Text& controlName);

// Combo boxes.
int ComboAppendEntry(const Text& controlName, const Text& entry);  // index, or -1
void ComboRemoveAllEntries(const Text& controlName);
Text ComboReadText(const Text& controlName);
int ComboReadSelection(const Text& controlName);             // -1: none
void ComboSetSelection(const Text& controlName, int index);  // clamped; raises no event
int ComboEntryCount(const Text& controlName);

// Any control.
void ControlSetEnabled(const Text& controlName, bool enabled);
bool ControlIsEnabled(const Text& controlName);
void ControlSetVisible(const Text& controlName, bool visible);
bool ControlIsVisible(const Text& controlName);

// Labels.
void LabelSetText(const Text& controlName, const Text& text);
Text LabelReadText(const Text& controlName);

// Browser view: starts loading the file at a Windows path and returns; loads anew on every call.
void BrowserShowLocalPage(const Text& controlName, const Text& path);
// For tests and benchmarks: finished loads since creation, the view's address (a file:// URI in
// UTF-8, empty when blank), and a wait (pumping the UI thread when called on it) until at least
// count loads have finished; false on timeout.
int BrowserLoadsFinished(const Text& controlName);
std::string BrowserCurrentUri(const Text& controlName);
bool BrowserWaitLoadsFinished(const Text& controlName, int count, int timeoutMilliseconds);

// Runs work on the UI thread and waits for it; false (work not run) when no main window exists.
bool RunOnUiThread(const std::function<void()>& work);
bool OnUiThread();

// Test hooks. UiPumpEvents runs the UI thread's pending events for about the given time (UI
// thread only). UiCloseMainWindow closes as the close button does. ComboPickEntry picks an
// entry from the open drop-down list as a user does (false when disabled or out of range).
// UiPressKey sends a key press to the focused control, a key name as X spells it ("Escape",
// "Tab", "a", "Down") with optional Alt; UiFocusControl gives a control the keyboard focus.
void UiPumpEvents(int milliseconds);
void UiCloseMainWindow();
bool ComboPickEntry(const Text& controlName, int index);
bool ComboListIsOpen(const Text& controlName);
void UiPressKey(const std::string& keyName, bool alt);
void UiFocusControl(const Text& controlName);
Text UiFocusedControl();  // layout name of the focused control, empty when none
// Where the toolkit has actually placed a control in the client area (after layout).
bool UiControlPlacement(const Text& controlName, int* left, int* top, int* width, int* height);
