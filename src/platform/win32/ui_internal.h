// Records and helpers shared by the Win32 window files; nothing outside win32/ sees them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/window.h"

struct BrowserHost;

struct ControlRecord {
    ControlLayout layout;
    HWND window = nullptr;  // the control's own window, a direct child of the main window
    int id = 0;             // the child identifier WM_COMMAND carries
    HFONT font = nullptr;
    Text labelText;
    BrowserHost* browser = nullptr;
};

struct MainWindowRecord {
    WindowLayout layout;
    HWND window = nullptr;
    HBRUSH background = nullptr;
    std::vector<ControlRecord*> controls;
    int recordedState = DisplayNormal;
    bool shown = false;
    bool closing = false;
    int picksRaised = 0;  // list-item-selected events raised so far (tests wait on it)
};

// UI-thread state.
MainWindowRecord* CurrentMainWindow();  // null when there is none
ControlRecord* FindControl(const Text& name);
ControlRecord* FindControl(const Text& name, ControlKind kind);
void CloseMainWindowNow(MainWindowRecord* window);

// Dispatch: opened when a window may be used, closed when the main window is destroyed.
void RecordUiThread();
void OpenUiDispatch();
void CloseUiDispatch();
// Takes one message from the queue and handles it as the message loop does (Esc, Tab); false
// when the queue was empty.
bool PumpOneMessage();

// The window's handle as the platform headers carry it, and back.
inline NativeWindow ToNative(HWND window) {
    return reinterpret_cast<NativeWindow>(window);
}
inline HWND ToWindow(NativeWindow window) {
    return reinterpret_cast<HWND>(window);
}

// GBK texts for the A calls: a byte pair that is no GBK becomes "?", as the Linux view shows it.
Text ShownText(const Text& text);

// Controls.
HWND CreateLabel(ControlRecord* control, HWND parent);
HWND CreateCombo(ControlRecord* control, HWND parent);
HWND CreateBrowser(ControlRecord* control, HWND parent);
void DestroyBrowser(ControlRecord* control);
// The browser view's load count and address, for the test entry points.
int BrowserLoadsOf(ControlRecord* control);
std::string BrowserAddressOf(ControlRecord* control);
// Raises the combo's list-item-selected event for a pick the box has completed.
void RaisePick(MainWindowRecord* window, ControlRecord* control);
// Set by the start-up benchmark's entry point: called once after the main window's first paint.
extern void (*firstPaintReport)();
// Registers the FEATURE_BROWSER_EMULATION choice for this executable.
void ChooseBrowserDocumentMode();

// Native window calls: on the UI thread they run at once, also once the main window is gone (plain
// windows outlive it); from another thread they go through RunOnUiThread.
template <typename Work>
bool RunForWindows(Work work) {
    if (OnUiThread()) {
        work();
        return true;
    }
    return RunOnUiThread(work);
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
