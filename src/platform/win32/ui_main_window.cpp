// The main window's life cycle on Win32: creation from its layout, first show, display states,
// caption, close (close button, system menu, Alt+F4, Esc) and the message loop.
#include <algorithm>

#include "platform/win32/gbk_bytes.h"
#include "platform/win32/ui_internal.h"

namespace {

constexpr char mainWindowClass[] = "LanchuanMainWindow";
// Posted after CBN_SELENDOK: the box updates its edit field only after notifying, and the event
// must see the picked entry's text.
constexpr UINT pickMessage = WM_APP + 2;
constexpr int firstControlId = 100;

MainWindowRecord* currentWindow = nullptr;

ControlRecord* ControlById(MainWindowRecord* window, int id) {
    for (ControlRecord* control : window->controls) {
        if (control->id == id) {
            return control;
        }
    }
    return nullptr;
}

LRESULT CALLBACK MainWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowRecord* window = currentWindow;
    if (window == nullptr || window->window != hwnd) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    switch (message) {
        case WM_CLOSE:
            CloseMainWindowNow(window);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == CBN_SELENDOK) {
                PostMessageA(hwnd, pickMessage, LOWORD(wParam), 0);
            }
            return 0;
        case pickMessage: {
            ControlRecord* control = ControlById(window, int(wParam));
            if (control != nullptr && IsWindowEnabled(control->window)) {
                RaisePick(window, control);
            }
            return 0;
        }
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RegisterMainWindowClass() {
    static bool registered = false;
    if (registered) {
        return true;
    }
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = mainWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
    return registered;
}

COLORREF ToColorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
}

bool IsOurs(MainWindowRecord* window, HWND target) {
    return window != nullptr && target != nullptr &&
           (target == window->window || IsChild(window->window, target));
}

// Leaves minimised and maximised: a window minimised from maximised restores to maximised first.
void RestoreToNormal(HWND window) {
    for (int round = 0; round < 3 && (IsIconic(window) || IsZoomed(window)); ++round) {
        ShowWindow(window, SW_RESTORE);
    }
    ShowWindow(window, SW_SHOWNORMAL);
}

void ApplyDisplayState(MainWindowRecord* window, int state) {
    HWND hwnd = window->window;
    switch (state) {
        case DisplayMinimised:
            ShowWindow(hwnd, SW_MINIMIZE);
            return;
        case DisplayMaximised:
            if (IsIconic(hwnd)) {
                ShowWindow(hwnd, SW_RESTORE);
            }
            ShowWindow(hwnd, SW_MAXIMIZE);
            return;
        default:
            RestoreToNormal(hwnd);
            break;
    }
    if (state != DisplayNormalCentred) {
        return;
    }
    RECT outer;
    GetWindowRect(hwnd, &outer);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (outer.left != left || outer.top != top) {
        SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

void (*firstPaintReport)() = nullptr;

MainWindowRecord* CurrentMainWindow() {
    return currentWindow;
}

ControlRecord* FindControl(const Text& name) {
    if (currentWindow == nullptr) {
        return nullptr;
    }
    for (ControlRecord* control : currentWindow->controls) {
        if (control->layout.name == name && control->window != nullptr) {
            return control;
        }
    }
    return nullptr;
}

ControlRecord* FindControl(const Text& name, ControlKind kind) {
    ControlRecord* control = FindControl(name);
    return control != nullptr && control->layout.kind == kind ? control : nullptr;
}

Text ShownText(const Text& text) {
    if (IsValidGbk(text)) {
        return text;
    }
    Text shown;
    for (std::size_t at = 0; at < text.size();) {
        const bool lead = static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size();
        const std::size_t length = lead ? 2 : 1;
        const std::string_view part(text.data() + at, length);
        shown += IsValidGbk(part) ? std::string(part) : std::string("?");
        at += length;
    }
    return shown;
}

void RaisePick(MainWindowRecord* window, ControlRecord* control) {
    window->picksRaised++;
    if (control->layout.onListItemSelected != nullptr) {
        control->layout.onListItemSelected();
    }
}

// The close button, Close in the system menu, Alt+F4 and Esc all end here.
void CloseMainWindowNow(MainWindowRecord* window) {
    if (window == nullptr || window->closing || currentWindow != window) {
        return;
    }
    window->closing = true;
    if (window->layout.onDestroying != nullptr) {
        window->layout.onDestroying();
    }
    CloseUiDispatch();
    for (ControlRecord* control : window->controls) {
        if (control->browser != nullptr) {
            DestroyBrowser(control);
        }
    }
    currentWindow = nullptr;
    DestroyWindow(window->window);
    for (ControlRecord* control : window->controls) {
        control->window = nullptr;
        if (control->font != nullptr) {
            DeleteObject(control->font);
            control->font = nullptr;
        }
    }
    window->window = nullptr;
}

bool PumpOneMessage() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    MainWindowRecord* window = currentWindow;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
        IsOurs(window, message.hwnd)) {
        CloseMainWindowNow(window);
        return true;
    }
    // Tab and Shift+Tab move among the Tab stops, as in a dialog.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && IsOurs(window, message.hwnd) &&
        IsDialogMessageA(window->window, &message)) {
        return true;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (message.message == WM_PAINT && firstPaintReport != nullptr && window != nullptr &&
        message.hwnd == window->window) {
        void (*report)() = firstPaintReport;
        firstPaintReport = nullptr;
        report();
    }
    return true;
}

bool UiInitialise() {
    static bool initialised = false;
    if (initialised) {
        return true;
    }
    // The browser control is an apartment-threaded OLE object: the UI thread hosts it.
    if (FAILED(OleInitialize(nullptr))) {
        return false;
    }
    RecordUiThread();
    if (!OnUiThread() || !RegisterMainWindowClass()) {
        return false;
    }
    ChooseBrowserDocumentMode();
    initialised = true;
    OpenUiDispatch();
    return true;
}

bool CreateMainWindow(const WindowLayout& layout) {
    if (!OnUiThread() || currentWindow != nullptr) {
        return false;
    }
    OpenUiDispatch();
    auto* window = new MainWindowRecord();
    window->layout = layout;
    window->background = CreateSolidBrush(ToColorRef(layout.background));
    int left = (GetSystemMetrics(SM_CXSCREEN) - layout.outerWidth) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - layout.outerHeight) / 2;
    HWND hwnd =
        CreateWindowExA(0, mainWindowClass, ShownText(layout.caption).c_str(),
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left, top, layout.outerWidth,
                        layout.outerHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr) {
        DeleteObject(window->background);
        delete window;
        return false;
    }
    window->window = hwnd;
    SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(window->background));
    currentWindow = window;
    int id = firstControlId;
    for (const ControlLayout& controlLayout : layout.controls) {
        auto* control = new ControlRecord();
        control->layout = controlLayout;
        control->id = id++;
        switch (controlLayout.kind) {
            case ControlKind::TransparentLabel:
                control->window = CreateLabel(control, hwnd);
                break;
            case ControlKind::EditableCombo:
                control->window = CreateCombo(control, hwnd);
                break;
            case ControlKind::BrowserView:
                control->window = CreateBrowser(control, hwnd);
                break;
        }
        window->controls.push_back(control);
        if (control->window == nullptr) {
            continue;
        }
        EnableWindow(control->window, controlLayout.enabled);
        ShowWindow(control->window, controlLayout.visible ? SW_SHOWNA : SW_HIDE);
    }
    if (layout.onCreated != nullptr) {
        layout.onCreated();
    }
    return currentWindow == window;
}

void ShowMainWindow() {
    MainWindowRecord* window = currentWindow;
    if (!OnUiThread() || window == nullptr || window->shown) {
        return;
    }
    window->shown = true;
    int command = window->recordedState == DisplayMaximised   ? SW_SHOWMAXIMIZED
                  : window->recordedState == DisplayMinimised ? SW_SHOWMINIMIZED
                                                              : SW_SHOWNORMAL;
    ShowWindow(window->window, command);
    UpdateWindow(window->window);
}

void RunMessageLoop() {
    MainWindowRecord* window = currentWindow;
    if (!OnUiThread() || window == nullptr) {
        return;
    }
    while (currentWindow == window) {
        if (!PumpOneMessage()) {
            WaitMessage();
        }
    }
}

bool MainWindowExists() {
    bool exists = false;
    RunOnUiThread([&] { exists = currentWindow != nullptr; });
    return exists;
}

void SetCaption(const Text& caption) {
    RunOnUiThread([&] {
        if (currentWindow != nullptr) {
            SetWindowTextA(currentWindow->window, ShownText(caption).c_str());
        }
    });
}

Text ReadCaption() {
    Text caption;
    RunOnUiThread([&] {
        if (currentWindow != nullptr) {
            int length = GetWindowTextLengthA(currentWindow->window);
            std::string text(std::size_t(length) + 1, '\0');
            text.resize(
                std::size_t(GetWindowTextA(currentWindow->window, text.data(), length + 1)));
            caption = text;
        }
    });
    return caption;
}

int ReadDisplayState() {
    int state = DisplayNormal;
    RunOnUiThread([&] {
        if (currentWindow != nullptr && currentWindow->shown) {
            HWND hwnd = currentWindow->window;
            state = IsIconic(hwnd)   ? DisplayMinimised
                    : IsZoomed(hwnd) ? DisplayMaximised
                                     : DisplayNormal;
        }
    });
    return state;
}

void SetDisplayState(int state) {
    RunOnUiThread([&] {
        MainWindowRecord* window = currentWindow;
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

NativeWindow MainWindowHandle() {
    NativeWindow handle = 0;
    RunOnUiThread([&] {
        if (currentWindow != nullptr) {
            handle = ToNative(currentWindow->window);
        }
    });
    return handle;
}

NativeWindow ControlHandle(const Text& controlName) {
    NativeWindow handle = 0;
    WithControl(controlName, [&](ControlRecord* control) { handle = ToNative(control->window); });
    return handle;
}

void ControlSetEnabled(const Text& controlName, bool enabled) {
    WithControl(controlName, [&](ControlRecord* control) {
        control->layout.enabled = enabled;
        EnableWindow(control->window, enabled);
    });
}

bool ControlIsEnabled(const Text& controlName) {
    bool enabled = false;
    WithControl(controlName,
                [&](ControlRecord* control) { enabled = IsWindowEnabled(control->window) != 0; });
    return enabled;
}

void ControlSetVisible(const Text& controlName, bool visible) {
    WithControl(controlName, [&](ControlRecord* control) {
        ShowWindow(control->window, visible ? SW_SHOWNA : SW_HIDE);
    });
}

// The control's own flag: a control of a minimised or not yet shown window is still visible.
bool ControlIsVisible(const Text& controlName) {
    bool visible = false;
    WithControl(controlName, [&](ControlRecord* control) {
        visible = (GetWindowLongPtrA(control->window, GWL_STYLE) & WS_VISIBLE) != 0;
    });
    return visible;
}
