// The saved display state decides how the window opens, and closing saves it back.
#include "platform/files.h"
#include "platform/ui_testing.h"
#include "window_fixture.h"

namespace {

struct DisplayCase {
    const char* saved;  // nullptr: no key at all
    int opened;
};

std::string CaseName(const ::testing::TestParamInfo<DisplayCase>& info) {
    const char* names[] = {"Three", "Two", "Five", "MinusFour", "Empty", "TwoPointNine", "NoKey"};
    return names[info.index];
}

class DisplayStateTest : public MainWindowFixture,
                         public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(DisplayStateTest, SavedStateDecidesHowTheWindowOpens) {
    const Text settingsPath = "D:\\Varnel\\Rederizoza.p";
    PlatformCreateDirectory("D:\\Varnel");
    Text file = "[其他]\r\n键=值\r\n[岚川天气助手]\r\n";
    if (GetParam().saved != nullptr) {
        file += TextConcat("位置=", GetParam().saved, "\r\n");
    }
    PlatformCreateFileAlways(settingsPath, file);

    Open(MainWindowLayout());
    ASSERT_EQ(AppSettings().settingsPath, settingsPath);
    // The window manager announces the state before the size that goes with it.
    const auto clientWidth = [] {
        WindowRect client;
        PlatformGetClientRect(MainWindowHandle(), &client);
        return client.right;
    };
    PumpUntil([&] {
        return ReadDisplayState() == GetParam().opened &&
               (GetParam().opened != 3 || clientWidth() > 788);
    });
    EXPECT_EQ(ReadDisplayState(), GetParam().opened);
    if (GetParam().opened == 3) {
        EXPECT_GT(clientWidth(), 788);
    }
    UiCloseMainWindow();
    EXPECT_EQ(IniRead(settingsPath, "岚川天气助手", "位置", "none"),
              NumberToText(GetParam().opened));
    EXPECT_EQ(IniRead(settingsPath, "其他", "键", "none"), Text("值"));
}

INSTANTIATE_TEST_SUITE_P(Saved, DisplayStateTest,
                         ::testing::Values(DisplayCase{"3", 3}, DisplayCase{"2", 2},
                                           DisplayCase{"5", 3}, DisplayCase{"-4", 0},
                                           DisplayCase{"", 0}, DisplayCase{"2.9", 2},
                                           DisplayCase{nullptr, 0}),
                         CaseName);

class DisplayStateChangeTest : public MainWindowFixture {};

// Opened off centre first, so that the window manager's memory of the place before maximising
// cannot pass for the centring.
TEST_F(DisplayStateChangeTest, StateOneRestoresAndCentresAMaximisedWindow) {
    Open(MainWindowLayout());
    WindowRect outer;
    PlatformMoveWindow(MainWindowHandle(), 40, 30, 788, 415, true);
    ASSERT_TRUE(PumpUntil([&] {
        PlatformGetWindowRect(MainWindowHandle(), &outer);
        return outer.left == 40 && outer.top == 30;
    })) << outer.left
        << "," << outer.top;
    SetDisplayState(3);
    ASSERT_EQ(ReadDisplayState(), 3);
    SetDisplayState(1);
    EXPECT_EQ(ReadDisplayState(), 0);
    // Centred when the call returns, and still there once the window manager has settled.
    for (int pause : {0, 300}) {
        UiPumpEvents(pause);
        PlatformGetWindowRect(MainWindowHandle(), &outer);
        EXPECT_EQ(outer.right - outer.left, 788) << "after " << pause << " ms";
        EXPECT_EQ(outer.bottom - outer.top, 415) << "after " << pause << " ms";
        EXPECT_EQ(outer.left, (1280 - 788) / 2) << "after " << pause << " ms";
        EXPECT_EQ(outer.top, (800 - 415) / 2) << "after " << pause << " ms";
    }
}

}  // namespace
