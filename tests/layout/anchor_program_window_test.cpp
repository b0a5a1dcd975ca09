// The program's own main window: only the browser view follows the window's edges.
#include <gtest/gtest.h>

#include <filesystem>

#include "anchor_fixture.h"
#include "platform/drives.h"
#include "shell/shared_state.h"
#include "shell/shell.h"

namespace {

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

Place Placed(const Text& name) {
    Place place;
    UiControlPlacement(name, &place.left, &place.top, &place.width, &place.height);
    return place;
}

class ProgramWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch_ = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch_.empty());
        ASSERT_TRUE(UiInitialise()) << "no display: run under scripts/with-display";
        CreateSharedState();
        ASSERT_TRUE(CreateMainWindow(MainWindowLayout()));
        ShowMainWindow();
        ASSERT_TRUE(PumpUntil([] {
            return Placed(BrowserView) == Place{16, 136, 752, 232};
        })) << Placed(BrowserView);
        UiPumpEvents(300);
    }
    void TearDown() override {
        UiCloseMainWindow();
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }
    std::string scratch_;
};

TEST_F(ProgramWindowTest, CreationAnchorsTheBrowserViewToAllFourEdges) {
    ASSERT_EQ(AnchorList().size(), 1u);
    const AnchorRecord& record = AnchorList()[0];
    WindowRect client = ClientRect(MainWindowHandle());
    EXPECT_EQ(record.parent, MainWindowHandle());
    EXPECT_EQ(record.child, ControlHandle(BrowserView));
    EXPECT_EQ((Place{record.left, record.top, record.width, record.height}),
              (Place{16, 136, 752, 232}));
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
    EXPECT_TRUE(PumpUntil([&] { return Placed(BrowserView) == stretched; }))
        << Placed(BrowserView) << " not " << stretched;
    for (std::size_t i = 0; i < std::size(others); ++i) {
        EXPECT_EQ(Placed(others[i]), before[i]) << others[i];
    }

    SetDisplayState(0);
    ASSERT_EQ(ReadDisplayState(), 0);
    EXPECT_TRUE(PumpUntil([] {
        return Placed(BrowserView) == Place{16, 136, 752, 232};
    })) << Placed(BrowserView);
    for (std::size_t i = 0; i < std::size(others); ++i) {
        EXPECT_EQ(Placed(others[i]), before[i]) << others[i];
    }
}

}  // namespace
