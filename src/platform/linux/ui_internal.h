// Records and helpers shared by the GTK backend's files; nothing outside linux/ sees them.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/window.h"

// One native window: the main window, a control, or a plain window. Records are never freed, so
// a stale handle finds a dead record instead of freed memory.
struct NativeRecord {
    NativeWindow handle = 0;
    NativeWindow parent = 0;
    bool topLevel = false;
    bool alive = false;
    GtkWidget* widget = nullptr;  // top level: the GtkWindow; child: the control's outer widget
    GtkWidget* client = nullptr;  // top level: the GtkLayout that is its client area
    // Child: its place in the parent's client area as last set. Top level: the client size it
    // was created with, used until the window has an allocation.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    WindowProcedure procedure = nullptr;
    // Top level: frame widths the window manager draws, the state GDK last reported, and the
    // client size the last size message carried.
    int frameLeft = 0;
    int frameRight = 0;
    int frameTop = 0;
    int frameBottom = 0;
    bool iconified = false;
    bool maximized = false;
    int reportedWidth = 0;
    int reportedHeight = 0;
    bool sizeCheckQueued = false;
};

struct ControlRecord {
    ControlLayout layout;
    NativeRecord* native = nullptr;
    GtkWidget* outer = nullptr;
    // Label
    Text labelText;
    // Combo box
    GtkWidget* entry = nullptr;
    GtkWidget* button = nullptr;
    GtkWidget* menu = nullptr;
    std::vector<Text> entries;
    int selection = -1;
    bool menuStale = true;
    // Browser view
    WebKitWebView* view = nullptr;  // made after the first frame, or at its first use
    int loadsFinished = 0;
};

struct MainWindowRecord {
    WindowLayout layout;
    NativeRecord* native = nullptr;
    std::vector<ControlRecord*> controls;
    int recordedState = 0;
    bool shown = false;
    bool closing = false;
    GMainLoop* loop = nullptr;
};

// UI-thread state (touched on the UI thread only).
MainWindowRecord* CurrentMainWindow();  // null when there is none
void SetCurrentMainWindow(MainWindowRecord* window);
ControlRecord* FindControl(const Text& name);
ControlRecord* FindControl(const Text& name, ControlKind kind);

// Dispatch: opened when a window may be used, closed when the main window is destroyed.
void OpenUiDispatch();
void CloseUiDispatch();
void RecordUiThread();

// Native records.
NativeRecord* NewNativeRecord(bool topLevel, NativeWindow parent);
NativeRecord* FindNative(NativeWindow handle);      // null when unknown or dead
const std::vector<NativeRecord*>& NativeRecords();  // every record made, dead ones too
// A top level's client area changed or its state did: queue a deferred size check.
void QueueSizeCheck(NativeRecord* window);
void WatchTopLevel(NativeRecord* window);
void ClientSize(NativeRecord* window, int* width, int* height);
void PlaceChild(NativeRecord* child, int left, int top, int width, int height);
void ReadFrameExtents(NativeRecord* window);

// Whether a window manager runs that honours the given _NET hint.
bool WindowManagerSupports(GdkScreen* screen, const char* hint);
// The screen's size (the primary monitor's); 0 x 0 without one.
void ScreenSize(int* width, int* height);
// The close button, Close in the window menu, Alt+F4 and Esc all end here.
void CloseMainWindowNow(MainWindowRecord* window);

// Text at the GTK edge.
std::string GbkToUtf8(const Text& text);
Text Utf8ToGbk(const std::string& text);

// Controls.
GtkWidget* CreateLabel(ControlRecord* control);
GtkWidget* CreateCombo(ControlRecord* control);
void OpenComboList(ControlRecord* control, const GdkEvent* trigger);
GtkWidget* CreateBrowser(ControlRecord* control);
// The resources the view has loaded whole since it last started a page of its own.
std::vector<std::string> LoadedResourcesOf(ControlRecord* control);
void SetWindowIcons(GtkWindow* window);
void InstallStyle(std::uint32_t background);

// Pumps the UI thread until done() or the time is up; returns done().
template <typename Done>
bool PumpUntil(Done done, int milliseconds) {
    gint64 deadline = g_get_monotonic_time() + gint64(milliseconds) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() >= deadline) {
            return done();
        }
        if (!g_main_context_iteration(nullptr, FALSE)) {
            g_usleep(1000);
        }
    }
    return true;
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
