// Test and benchmark entry points of the Win32 backend (ui_testing.h): key presses, focus, picks,
// placements, the browser view's loads and address, plain windows and the first-frame report.
// Only tests and benchmarks link this file's library.
#include <cstdio>

#include "platform/ui_testing.h"
#include "platform/win32/ui_internal.h"

namespace {

constexpr char plainWindowClass[] = "LanchuanPlainWindow";

UINT VirtualKeyOf(const std::string& name) {
    struct Named {
        const char* name;
        UINT key;
    };
    static const Named named[] = {
        {"Escape", VK_ESCAPE}, {"Tab", VK_TAB}, {"Return", VK_RETURN},  {"Down", VK_DOWN},
        {"Up", VK_UP},         {"End", VK_END}, {"Home", VK_HOME},      {"Left", VK_LEFT},
        {"Right", VK_RIGHT},   {"F4", VK_F4},   {"BackSpace", VK_BACK}, {"space", VK_SPACE},
    };
    for (const Named& each : named) {
        if (name == each.name) {
            return each.key;
        }
    }
    if (name.size() == 1) {
        SHORT scan = VkKeyScanA(name[0]);
        return scan == -1 ? 0 : UINT(scan & 0xff);
    }
    return 0;
}

// A file address as the Linux view reports it: file:// and the path in percent-escaped UTF-8.
std::string AsFileUri(const std::string& address) {
    // Windows gives "file:///D:/x/y.htm", Wine "file://D:\x\y.htm" or the path itself.
    std::string path = address;
    if (path.rfind("file://", 0) == 0) {
        path = path.substr(path.rfind("file:///", 0) == 0 ? 8 : 7);
    }
    if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) {
        return address;
    }
    std::string uri = "file:///";
    for (unsigned char c : path) {
        if (c == '\\') {
            uri += '/';
        } else if (c >= 0x80 || c == ' ' || c == '%') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        } else {
            uri += char(c);
        }
    }
    return uri;
}

void ReportFirstPaint() {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    std::printf("first-frame %lld %lu\n",
                static_cast<long long>(now.QuadPart / (frequency.QuadPart / 1000000)),
                GetCurrentProcessId());
    std::fflush(stdout);
}

}  // namespace

void UiPumpEvents(int milliseconds) {
    if (!OnUiThread()) {
        return;
    }
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(milliseconds > 0 ? milliseconds : 0);
    // Checked after every message: a window whose procedure never validates its area has a
    // WM_PAINT pending for ever.
    while (true) {
        bool handled = PumpOneMessage();
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return;
        }
        if (!handled) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(deadline - now), QS_ALLINPUT);
        }
    }
}

void UiCloseMainWindow() {
    RunOnUiThread([] { CloseMainWindowNow(CurrentMainWindow()); });
}

void UiFocusControl(const Text& controlName) {
    WithControl(controlName, [&](ControlRecord* control) { SetFocus(control->window); });
}

Text UiFocusedControl() {
    Text name;
    RunOnUiThread([&] {
        MainWindowRecord* window = CurrentMainWindow();
        HWND focus = GetFocus();
        if (window == nullptr || focus == nullptr) {
            return;
        }
        for (ControlRecord* control : window->controls) {
            if (control->window != nullptr &&
                (focus == control->window || IsChild(control->window, focus))) {
                name = control->layout.name;
            }
        }
    });
    return name;
}

// Posted to the focused window, so the key takes the path a typed key takes: the loop's Esc and
// Tab handling, then TranslateMessage.
void UiPressKey(const std::string& keyName, bool alt) {
    RunOnUiThread([&] {
        MainWindowRecord* window = CurrentMainWindow();
        UINT key = VirtualKeyOf(keyName);
        if (window == nullptr || key == 0) {
            return;
        }
        HWND target = GetFocus();
        if (target == nullptr) {
            target = window->window;
        }
        LPARAM scan = LPARAM(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
        LPARAM context = alt ? LPARAM(1) << 29 : 0;
        PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | scan | context);
        PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key,
                     1 | scan | context | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    });
}

bool UiControlPlacement(const Text& controlName, int* left, int* top, int* width, int* height) {
    bool placed = false;
    *left = *top = *width = *height = 0;
    RunOnUiThread([&] {
        MainWindowRecord* window = CurrentMainWindow();
        ControlRecord* control = FindControl(controlName);
        RECT outer;
        if (control == nullptr || !GetWindowRect(control->window, &outer)) {
            return;
        }
        MapWindowPoints(nullptr, window->window, reinterpret_cast<POINT*>(&outer), 2);
        *left = int(outer.left);
        *top = int(outer.top);
        *width = int(outer.right - outer.left);
        *height = int(outer.bottom - outer.top);
        placed = true;
    });
    return placed;
}

bool ComboListIsOpen(const Text& controlName) {
    bool open = false;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            open = SendMessageA(control->window, CB_GETDROPPEDSTATE, 0, 0) != 0;
        }
    });
    return open;
}

// Drops the list down and clicks the entry in it, as the mouse does; the box then sends
// CBN_SELENDOK and the event follows once the box has shown the entry.
bool ComboPickEntry(const Text& controlName, int index) {
    bool picked = false;
    RunOnUiThread([&] {
        MainWindowRecord* window = CurrentMainWindow();
        ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo);
        if (control == nullptr || !IsWindowEnabled(control->window) || index < 0 ||
            index >= int(SendMessageA(control->window, CB_GETCOUNT, 0, 0))) {
            return;
        }
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        if (!GetComboBoxInfo(control->window, &info) || info.hwndList == nullptr) {
            return;
        }
        SendMessageA(control->window, CB_SHOWDROPDOWN, TRUE, 0);
        SendMessageA(info.hwndList, LB_SETTOPINDEX, WPARAM(index), 0);
        RECT item;
        if (SendMessageA(info.hwndList, LB_GETITEMRECT, WPARAM(index),
                         reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
            return;
        }
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        int raisedBefore = window->picksRaised;
        SendMessageA(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(info.hwndList, WM_LBUTTONUP, 0, at);
        // The event is posted after the notification: run the queue until it has been raised.
        for (int round = 0;
             round < 200 && CurrentMainWindow() == window && window->picksRaised == raisedBefore;
             ++round) {
            if (!PumpOneMessage()) {
                Sleep(1);
            }
        }
        picked = CurrentMainWindow() == window && window->picksRaised > raisedBefore;
    });
    return picked;
}

int BrowserLoadsFinished(const Text& controlName) {
    int loads = 0;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::BrowserView)) {
            loads = BrowserLoadsOf(control);
        }
    });
    return loads;
}

std::string BrowserCurrentUri(const Text& controlName) {
    std::string uri;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::BrowserView)) {
            uri = AsFileUri(BrowserAddressOf(control));
        }
    });
    return uri;
}

// The control reports no list of the resources a page loaded.
std::vector<std::string> BrowserLoadedResources(const Text&) {
    return {};
}

bool BrowserWaitLoadsFinished(const Text& controlName, int count, int timeoutMilliseconds) {
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMilliseconds);
    while (BrowserLoadsFinished(controlName) < count) {
        if (GetTickCount64() >= deadline || !MainWindowExists()) {
            return false;
        }
        if (OnUiThread()) {
            UiPumpEvents(10);
        } else {
            Sleep(10);
        }
    }
    return true;
}

NativeWindow PlatformCreatePlainWindow(NativeWindow parent, int left, int top, int width,
                                       int height) {
    NativeWindow handle = 0;
    RunForWindows([&] {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            windowClass.lpszClassName = plainWindowClass;
            registered = RegisterClassA(&windowClass) != 0;
        }
        HWND window = nullptr;
        if (parent == 0) {
            // The size given is the client area's.
            RECT outer = {0, 0, width, height};
            AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
            window = CreateWindowExA(0, plainWindowClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     left, top, outer.right - outer.left, outer.bottom - outer.top,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        } else if (IsWindow(ToWindow(parent))) {
            window = CreateWindowExA(0, plainWindowClass, "", WS_CHILD | WS_VISIBLE, left, top,
                                     width, height, ToWindow(parent), nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        }
        handle = ToNative(window);
    });
    return handle;
}

void PlatformDestroyPlainWindow(NativeWindow window) {
    RunForWindows([&] {
        if (window != 0 && IsWindow(ToWindow(window))) {
            DestroyWindow(ToWindow(window));
        }
    });
}

void UiReportFirstFrame() {
    firstPaintReport = ReportFirstPaint;
}
