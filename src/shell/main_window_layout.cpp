// The main window's layout table: places, sizes, texts, looks and handlers of every control.
#include "query/query.h"
#include "shell/shell.h"
#include "state/state.h"

namespace {

ControlLayout Label(const Text& name, int left, int top, int width, int height, const Text& text) {
    ControlLayout control;
    control.name = name;
    control.kind = ControlKind::TransparentLabel;
    control.left = left;
    control.top = top;
    control.width = width;
    control.height = height;
    control.text = text;
    control.accessibleName = text;
    return control;
}

ControlLayout Combo(const Text& name, int left, int top, const Text& accessibleName,
                    WindowEventHandler onListItemSelected) {
    ControlLayout control;
    control.name = name;
    control.kind = ControlKind::EditableCombo;
    control.left = left;
    control.top = top;
    control.width = 176;
    control.height = 20;
    control.enabled = false;
    control.tabStop = true;
    control.accessibleName = accessibleName;
    control.onListItemSelected = onListItemSelected;
    return control;
}

}  // namespace

WindowLayout MainWindowLayout() {
    WindowLayout layout;
    layout.caption = "岚川天气助手";
    layout.outerWidth = 788;
    layout.outerHeight = 415;
    layout.background = 0xfbfffd;
    layout.onCreated = OnMainWindowCreated;
    layout.onDestroying = OnMainWindowDestroying;

    layout.controls.push_back(Label("透明标签1", 16, 16, 56, 24, "选择省份"));
    layout.controls.push_back(Combo(ProvinceBox, 81, 19, "选择省份", OnProvinceSelected));
    layout.controls.push_back(Label("透明标签2", 16, 48, 56, 24, "选择城市"));
    layout.controls.push_back(Combo(CityBox, 81, 51, "选择城市", OnCitySelected));

    ControlLayout busy = Label(BusyLabel, 287, 49, 160, 24, "正在查询请稍等....");
    busy.visible = false;
    layout.controls.push_back(busy);

    ControlLayout heading = Label(HeadingLabel, 16, 88, 408, 32, "城市");
    heading.textColour = 0x0060c0;
    heading.fontName = "宋体";
    heading.fontHeight = 16;
    heading.bold = true;
    layout.controls.push_back(heading);

    ControlLayout browser;
    browser.name = BrowserView;
    browser.kind = ControlKind::BrowserView;
    browser.left = 16;
    browser.top = 136;
    browser.width = 752;
    browser.height = 232;
    browser.tabStop = true;
    browser.accessibleName = "城市";
    layout.controls.push_back(browser);
    return layout;
}
