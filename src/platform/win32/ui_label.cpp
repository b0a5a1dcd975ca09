// Transparent labels: one line of text painted twice (white at +1,+1, then its colour) with a
// transparent background, over the window's own background colour.
#include "platform/win32/ui_internal.h"

namespace {

constexpr char labelClass[] = "LanchuanLabel";

COLORREF ToColorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
}

void PaintLabel(HWND window, ControlRecord* control) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    // The window's background is one solid colour: painting it here is what shows through, and
    // it wipes the old text when the text changes.
    HWND parent = GetParent(window);
    auto background = reinterpret_cast<HBRUSH>(GetClassLongPtrA(parent, GCLP_HBRBACKGROUND));
    if (background != nullptr) {
        FillRect(dc, &area, background);
    }
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, control->font);
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;
    const Text text = ShownText(control->labelText);
    RECT shadow = {area.left + 1, area.top + 1, area.right + 1, area.bottom + 1};
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, text.c_str(), int(text.size()), &shadow, format);
    SetTextColor(dc, ToColorRef(control->layout.textColour));
    DrawTextA(dc, text.c_str(), int(text.size()), &area, format);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}

LRESULT CALLBACK LabelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = reinterpret_cast<ControlRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // labels take no input
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            if (control != nullptr) {
                PaintLabel(window, control);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND CreateLabel(ControlRecord* control, HWND parent) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = LabelProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = labelClass;
        registered = RegisterClassA(&windowClass) != 0;
    }
    const ControlLayout& layout = control->layout;
    control->labelText = layout.text;
    if (layout.fontName.empty()) {
        control->font = nullptr;
    } else {
        // A negative height asks for that character height, as the layout gives it.
        control->font =
            CreateFontA(-layout.fontHeight, 0, 0, 0, layout.bold ? FW_BOLD : FW_NORMAL, FALSE,
                        FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH, layout.fontName.c_str());
    }
    HWND window = CreateWindowExA(0, labelClass, ShownText(layout.text).c_str(), WS_CHILD,
                                  layout.left, layout.top, layout.width, layout.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->id)),
                                  GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) {
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    return window;
}

void LabelSetText(const Text& controlName, const Text& text) {
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::TransparentLabel)) {
            control->labelText = text;
            // The window text is what screen readers read.
            SetWindowTextA(control->window, ShownText(text).c_str());
            InvalidateRect(control->window, nullptr, TRUE);
        }
    });
}

Text LabelReadText(const Text& controlName) {
    Text text;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::TransparentLabel)) {
            text = control->labelText;
        }
    });
    return text;
}
