// The browser view of a main window anchored with preset 1: growing, maximising, minimising.
#include "anchor_fixture.h"

namespace {

const Text browserName = "超文本浏览框1";
const Text labelName = "透明标签4";

void AnchorBrowserView() {
    AnchorChild(ControlHandle(browserName), 1);
}

// The main window's geometry with the browser view and one label that must stay put.
WindowLayout BrowserLayout() {
    WindowLayout layout;
    layout.caption = "岚川天气助手";
    layout.outerWidth = 788;
    layout.outerHeight = 415;
    layout.onCreated = AnchorBrowserView;
    ControlLayout label;
    label.name = labelName;
    label.kind = ControlKind::TransparentLabel;
    label.left = 16;
    label.top = 88;
    label.width = 408;
    label.height = 32;
    label.text = "城市";
    layout.controls.push_back(label);
    ControlLayout browser;
    browser.name = browserName;
    browser.kind = ControlKind::BrowserView;
    browser.left = 16;
    browser.top = 136;
    browser.width = 752;
    browser.height = 232;
    layout.controls.push_back(browser);
    return layout;
}

struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Place&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Place& place) {
    return out << place.left << "," << place.top << " " << place.width << "x" << place.height;
}

// Where the toolkit has really put the control.
Place Placed(const Text& name) {
    Place place;
    UiControlPlacement(name, &place.left, &place.top, &place.width, &place.height);
    return place;
}

class MainWindowAnchorTest : public AnchorFixture {
  protected:
    void SetUp() override {
        AnchorFixture::SetUp();
        ASSERT_TRUE(CreateMainWindow(BrowserLayout()));
        ShowMainWindow();
        window_ = MainWindowHandle();
        ASSERT_TRUE(PumpUntil([] { return Placed(browserName) == Place{16, 136, 752, 232}; }));
        UiPumpEvents(200);
        ASSERT_EQ(AnchorList().size(), 1u);
        record_ = AnchorList()[0];
    }
    void TearDown() override {
        UiCloseMainWindow();
        AnchorFixture::TearDown();
    }
    // The browser view's place for a client area, by its stored margins.
    Place Stretched(const WindowRect& client) const {
        return {16, 136, client.right - 16 - record_.rightMargin,
                client.bottom - 136 - record_.bottomMargin};
    }
    bool WaitForPlace(const Place& place) {
        return PumpUntil([&] { return Placed(browserName) == place; });
    }
    NativeWindow window_ = 0;
    AnchorRecord record_;
};

// The border and caption come from the frame the window manager really draws, so the view is
// measured where it stands in the client area.
TEST_F(MainWindowAnchorTest, BrowserViewIsMeasuredWhereItStands) {
    WindowRect client = ClientRect(window_);
    EXPECT_EQ(record_.parent, window_);
    EXPECT_EQ(record_.child, ControlHandle(browserName));
    EXPECT_EQ((Place{record_.left, record_.top, record_.width, record_.height}),
              (Place{16, 136, 752, 232}));
    EXPECT_EQ(record_.rightMargin, client.right - 768);
    EXPECT_EQ(record_.bottomMargin, client.bottom - 368);
}

TEST_F(MainWindowAnchorTest, WorkedExampleGrowsTheViewByTheWindowsGrowth) {
    ASSERT_TRUE(GrowWindow(window_, 100, 50));
    EXPECT_TRUE(WaitForPlace({16, 136, 852, 282})) << Placed(browserName);
    EXPECT_EQ(Placed(labelName), (Place{16, 88, 408, 32}));
    ASSERT_TRUE(GrowWindow(window_, -100, -50));
    EXPECT_TRUE(WaitForPlace({16, 136, 752, 232})) << Placed(browserName);
}

TEST_F(MainWindowAnchorTest, MaximiseStretchesTheViewAndRestoreGivesItsSizeBack) {
    WindowRect normal = ClientRect(window_);
    SetDisplayState(3);
    ASSERT_EQ(ReadDisplayState(), 3);
    WindowRect maximised = ClientRect(window_);
    EXPECT_GT(maximised.right, normal.right);
    EXPECT_GT(maximised.bottom, normal.bottom);
    EXPECT_TRUE(WaitForPlace(Stretched(maximised))) << Placed(browserName);
    EXPECT_EQ(Placed(labelName), (Place{16, 88, 408, 32}));

    SetDisplayState(0);
    ASSERT_EQ(ReadDisplayState(), 0);
    EXPECT_TRUE(WaitForPlace({16, 136, 752, 232})) << Placed(browserName);
    EXPECT_EQ(ClientRect(window_).right, normal.right);
    EXPECT_EQ(ClientRect(window_).bottom, normal.bottom);
}

TEST_F(MainWindowAnchorTest, MinimiseMovesTheViewToNegativeSizesAndRestorePutsItBack) {
    NativeWindow view = ControlHandle(browserName);
    SeenMoves().clear();
    SetDisplayState(2);
    ASSERT_EQ(ReadDisplayState(), 2);
    ASSERT_TRUE(PumpUntil([&] { return !MovesOf(view).empty(); }));
    SeenMove minimised = MovesOf(view).back();
    EXPECT_EQ((Place{minimised.left, minimised.top, minimised.width, minimised.height}),
              (Place{16, 136, -(16 + record_.rightMargin), -(136 + record_.bottomMargin)}));

    SeenMoves().clear();
    SetDisplayState(0);
    ASSERT_EQ(ReadDisplayState(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !MovesOf(view).empty(); }));
    SeenMove restored = MovesOf(view).back();
    EXPECT_EQ((Place{restored.left, restored.top, restored.width, restored.height}),
              (Place{16, 136, 752, 232}));
    EXPECT_TRUE(WaitForPlace({16, 136, 752, 232})) << Placed(browserName);
}

}  // namespace
