// The browser view of a main window anchored with preset 1: growing, maximising, minimising.
#include "anchor_fixture.h"
#include "platform/ui_testing.h"

namespace {

const Text browserName = "超文本浏览框1";
const Text labelName = "透明标签4";
const Place browserPlace{16, 136, 752, 232};
const Place labelPlace{16, 88, 408, 32};

void AnchorBrowserView() {
    AnchorChild(ControlHandle(browserName), 1);
}

ControlLayout Control(const Text& name, ControlKind kind, const Place& place) {
    ControlLayout control;
    control.name = name;
    control.kind = kind;
    control.left = place.left;
    control.top = place.top;
    control.width = place.width;
    control.height = place.height;
    return control;
}

// The main window's geometry with the browser view and one label that must stay put.
WindowLayout BrowserLayout() {
    WindowLayout layout;
    layout.caption = "岚川天气助手";
    layout.outerWidth = 788;
    layout.outerHeight = 415;
    layout.onCreated = AnchorBrowserView;
    layout.controls.push_back(Control(labelName, ControlKind::TransparentLabel, labelPlace));
    layout.controls.back().text = "城市";
    layout.controls.push_back(Control(browserName, ControlKind::BrowserView, browserPlace));
    return layout;
}

class MainWindowAnchorTest : public AnchorFixture {
  protected:
    void SetUp() override {
        AnchorFixture::SetUp();
        ASSERT_TRUE(CreateMainWindow(BrowserLayout()));
        ShowMainWindow();
        window_ = MainWindowHandle();
        ASSERT_TRUE(WaitForPlace(browserName, browserPlace));
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
    NativeWindow window_ = 0;
    AnchorRecord record_;
};

// The border and caption come from the frame the window manager really draws, so the view is
// measured where it stands in the client area.
TEST_F(MainWindowAnchorTest, BrowserViewIsMeasuredWhereItStands) {
    WindowRect client = ClientRect(window_);
    EXPECT_EQ(record_.parent, window_);
    EXPECT_EQ(record_.child, ControlHandle(browserName));
    EXPECT_EQ(Measured(record_), browserPlace);
    EXPECT_EQ(record_.rightMargin, client.right - 768);
    EXPECT_EQ(record_.bottomMargin, client.bottom - 368);
}

TEST_F(MainWindowAnchorTest, WorkedExampleGrowsTheViewByTheWindowsGrowth) {
    ASSERT_TRUE(GrowWindow(window_, 100, 50));
    EXPECT_TRUE(WaitForPlace(browserName, {16, 136, 852, 282})) << Placed(browserName);
    EXPECT_EQ(Placed(labelName), labelPlace);
    ASSERT_TRUE(GrowWindow(window_, -100, -50));
    EXPECT_TRUE(WaitForPlace(browserName, browserPlace)) << Placed(browserName);
}

TEST_F(MainWindowAnchorTest, MaximiseStretchesTheViewAndRestoreGivesItsSizeBack) {
    WindowRect normal = ClientRect(window_);
    SetDisplayState(3);
    ASSERT_EQ(ReadDisplayState(), 3);
    WindowRect maximised = ClientRect(window_);
    EXPECT_GT(maximised.right, normal.right);
    EXPECT_GT(maximised.bottom, normal.bottom);
    EXPECT_TRUE(WaitForPlace(browserName, Stretched(maximised))) << Placed(browserName);
    EXPECT_EQ(Placed(labelName), labelPlace);

    SetDisplayState(0);
    ASSERT_EQ(ReadDisplayState(), 0);
    EXPECT_TRUE(WaitForPlace(browserName, browserPlace)) << Placed(browserName);
    EXPECT_EQ(ClientRect(window_).right, normal.right);
    EXPECT_EQ(ClientRect(window_).bottom, normal.bottom);
}

TEST_F(MainWindowAnchorTest, MinimiseMovesTheViewToNegativeSizesAndRestorePutsItBack) {
    NativeWindow view = ControlHandle(browserName);
    SeenMoves().clear();
    SetDisplayState(2);
    ASSERT_EQ(ReadDisplayState(), 2);
    ASSERT_TRUE(PumpUntil([&] { return !MovesOf(view).empty(); }));
    EXPECT_EQ(MovesOf(view).back().place,
              (Place{16, 136, -(16 + record_.rightMargin), -(136 + record_.bottomMargin)}));

    SeenMoves().clear();
    SetDisplayState(0);
    ASSERT_EQ(ReadDisplayState(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !MovesOf(view).empty(); }));
    EXPECT_EQ(MovesOf(view).back().place, browserPlace);
    EXPECT_TRUE(WaitForPlace(browserName, browserPlace)) << Placed(browserName);
}

}  // namespace
