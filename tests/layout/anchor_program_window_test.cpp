// The program's own main window: only the browser view follows the window's edges.
#include "../shell/window_fixture.h"
#include "anchor_fixture.h"
#include "platform/ui_testing.h"

namespace {

const Place browserPlace{16, 136, 752, 232};

class ProgramWindowTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        Open(MainWindowLayout());
        ASSERT_TRUE(WaitForPlace(BrowserView, browserPlace)) << Placed(BrowserView);
        UiPumpEvents(300);
    }
};

TEST_F(ProgramWindowTest, CreationAnchorsTheBrowserViewToAllFourEdges) {
    ASSERT_EQ(AnchorList().size(), 1u);
    const AnchorRecord& record = AnchorList()[0];
    WindowRect client = ClientRect(MainWindowHandle());
    EXPECT_EQ(record.parent, MainWindowHandle());
    EXPECT_EQ(record.child, ControlHandle(BrowserView));
    EXPECT_EQ(Measured(record), browserPlace);
    EXPECT_EQ(record.rightMargin, client.right - 768);
    EXPECT_EQ(record.bottomMargin, client.bottom - 368);
    EXPECT_EQ(record.anchorLeft + record.anchorTop + record.anchorRight + record.anchorBottom, 4);
    ASSERT_EQ(HostList().size(), 1u);
    EXPECT_EQ(HostList()[0].window, MainWindowHandle());
}

TEST_F(ProgramWindowTest, OnlyTheBrowserViewFollowsMaximiseAndRestore) {
    const Text others[] = {"透明标签1", ProvinceBox, "透明标签2", CityBox, BusyLabel, HeadingLabel};
    std::vector<Place> before;
    for (const Text& name : others) {
        before.push_back(Placed(name));
    }
    const AnchorRecord record = AnchorList().at(0);

    SetDisplayState(3);
    ASSERT_EQ(ReadDisplayState(), 3);
    WindowRect client = ClientRect(MainWindowHandle());
    Place stretched{16, 136, client.right - 16 - record.rightMargin,
                    client.bottom - 136 - record.bottomMargin};
    EXPECT_GT(stretched.width, 752);
    EXPECT_TRUE(WaitForPlace(BrowserView, stretched))
        << Placed(BrowserView) << " not " << stretched;
    for (std::size_t i = 0; i < std::size(others); ++i) {
        EXPECT_EQ(Placed(others[i]), before[i]) << others[i];
    }

    SetDisplayState(0);
    ASSERT_EQ(ReadDisplayState(), 0);
    EXPECT_TRUE(WaitForPlace(BrowserView, browserPlace)) << Placed(BrowserView);
    for (std::size_t i = 0; i < std::size(others); ++i) {
        EXPECT_EQ(Placed(others[i]), before[i]) << others[i];
    }
}

}  // namespace
