// Editable drop-down combo boxes over the system COMBOBOX class. A pick from the list reaches the
// handler through CBN_SELENDOK (ui_main_window.cpp); CB_SETCURSEL raises nothing.
#include <algorithm>

#include "platform/win32/ui_internal.h"

namespace {

// The list reaches 160 px below the box's top edge: for a drop-down box the height given at
// creation is that of the box with its list dropped.
constexpr int listBottom = 160;

template <typename Work>
void WithCombo(const Text& controlName, Work work) {
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            work(control->window);
        }
    });
}

}  // namespace

HWND CreateCombo(ControlRecord* control, HWND parent) {
    const ControlLayout& layout = control->layout;
    DWORD style = WS_CHILD | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
    if (layout.tabStop) {
        style |= WS_TABSTOP;
    }
    HWND window =
        CreateWindowExA(0, "COMBOBOX", "", style, layout.left, layout.top, layout.width, listBottom,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->id)),
                        GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    // The closed box's height follows its font; the selection field is set so that it is the
    // layout's height. What a system adds around the field differs (Wine also reads back two
    // pixels more than was set), so the field is corrected from the measured outer height.
    LRESULT fieldHeight = SendMessageA(window, CB_GETITEMHEIGHT, WPARAM(-1), 0);
    for (int round = 0; round < 3 && fieldHeight > 0; ++round) {
        RECT outer;
        GetWindowRect(window, &outer);
        int difference = layout.height - int(outer.bottom - outer.top);
        if (difference == 0) {
            break;
        }
        fieldHeight = std::max<LRESULT>(1, fieldHeight + difference);
        SendMessageA(window, CB_SETITEMHEIGHT, WPARAM(-1), fieldHeight);
    }
    return window;
}

int ComboAppendEntry(const Text& controlName, const Text& entry) {
    int index = -1;
    WithCombo(controlName, [&](HWND window) {
        LRESULT added = SendMessageA(window, CB_ADDSTRING, 0,
                                     reinterpret_cast<LPARAM>(ShownText(entry).c_str()));
        index = added >= 0 ? int(added) : -1;
    });
    return index;
}

void ComboRemoveAllEntries(const Text& controlName) {
    WithCombo(controlName, [&](HWND window) {
        SendMessageA(window, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageA(window, CB_RESETCONTENT, 0, 0);
        SetWindowTextA(window, "");
    });
}

Text ComboReadText(const Text& controlName) {
    Text text;
    WithCombo(controlName, [&](HWND window) {
        int length = GetWindowTextLengthA(window);
        std::string read(std::size_t(length) + 1, '\0');
        read.resize(std::size_t(GetWindowTextA(window, read.data(), length + 1)));
        text = read;
    });
    return text;
}

int ComboReadSelection(const Text& controlName) {
    int selection = -1;
    WithCombo(controlName, [&](HWND window) {
        LRESULT current = SendMessageA(window, CB_GETCURSEL, 0, 0);
        selection = current >= 0 ? int(current) : -1;
    });
    return selection;
}

// CB_SETCURSEL beyond the end returns CB_ERR and keeps the old selection, so the index is
// limited first; -1 clears the selection and the edit field.
void ComboSetSelection(const Text& controlName, int index) {
    WithCombo(controlName, [&](HWND window) {
        int last = int(SendMessageA(window, CB_GETCOUNT, 0, 0)) - 1;
        int clamped = std::clamp(index, -1, std::max(last, -1));
        SendMessageA(window, CB_SETCURSEL, WPARAM(clamped), 0);
        if (clamped < 0) {
            SetWindowTextA(window, "");
        }
    });
}

int ComboEntryCount(const Text& controlName) {
    int count = 0;
    WithCombo(controlName, [&](HWND window) {
        count = std::max(0, int(SendMessageA(window, CB_GETCOUNT, 0, 0)));
    });
    return count;
}
