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

// Display states of the main window, as SetDisplayState takes them and the settings file keeps
// them.
inline constexpr int DisplayNormal = 0;
inline constexpr int DisplayNormalCentred = 1;  // normal, and centred on the screen again
inline constexpr int DisplayMinimised = 2;
inline constexpr int DisplayMaximised = 3;

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
// ReadDisplayState gives DisplayMinimised, DisplayMaximised or DisplayNormal; SetDisplayState
// holds other values to the range of the four.
int ReadDisplayState();
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
// Runs work on the UI thread and waits for it; false (work not run) when no main window exists.
bool RunOnUiThread(const std::function<void()>& work);
bool OnUiThread();
