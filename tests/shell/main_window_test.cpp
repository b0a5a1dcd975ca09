// The main window under a real display: layout, controls, events and closing.
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "embedded/embedded.h"
#include "platform/files.h"
#include "platform/ui_testing.h"
#include "window_fixture.h"

namespace {

struct PickRecord {
    int count = 0;
    int selection = -2;
    Text text;
};
PickRecord provincePicks;

void RecordProvincePick() {
    provincePicks.count++;
    provincePicks.selection = ComboReadSelection(ProvinceBox);
    provincePicks.text = ComboReadText(ProvinceBox);
}

// The program's layout without its life-cycle handlers (no loader thread fills the boxes) and
// with a recorder in place of the province box's list handler.
WindowLayout RecordingLayout() {
    WindowLayout layout = MainWindowLayout();
    layout.onCreated = nullptr;
    layout.onDestroying = nullptr;
    for (ControlLayout& control : layout.controls) {
        if (control.name == ProvinceBox) {
            control.onListItemSelected = RecordProvincePick;
        }
    }
    provincePicks = PickRecord{};
    return layout;
}

class MainWindowTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        Open(RecordingLayout());
    }
    void FillProvinces(std::initializer_list<const char*> entries) {
        ControlSetEnabled(ProvinceBox, true);
        for (const char* entry : entries) {
            ComboAppendEntry(ProvinceBox, entry);
        }
    }
};

// The program's own window with its start-up and close handlers.
class ProgramWindowTest : public MainWindowFixture {};

TEST_F(ProgramWindowTest, OpensWithCaptionAndEmptyDisabledControls) {
    // Checked before the UI thread runs the loader thread's first call.
    ASSERT_TRUE(CreateMainWindow(MainWindowLayout()));
    ShowMainWindow();
    EXPECT_EQ(ReadCaption(), Text("岚川天气助手 v3.6"));
    for (const Text box : {ProvinceBox, CityBox}) {
        EXPECT_EQ(ComboEntryCount(box), 0);
        EXPECT_EQ(ComboReadSelection(box), -1);
        EXPECT_EQ(ComboReadText(box), Text());
        EXPECT_FALSE(ControlIsEnabled(box));
        EXPECT_TRUE(ControlIsVisible(box));
    }
    EXPECT_FALSE(ControlIsVisible(BusyLabel));
    EXPECT_TRUE(ControlIsVisible(HeadingLabel));
    EXPECT_EQ(LabelReadText(HeadingLabel), Text("城市"));
    EXPECT_EQ(LabelReadText("透明标签1"), Text("选择省份"));
    EXPECT_EQ(LabelReadText("透明标签2"), Text("选择城市"));
    EXPECT_EQ(BrowserCurrentUri(BrowserView), "");
    EXPECT_EQ(BrowserLoadsFinished(BrowserView), 0);
    EXPECT_EQ(ReadDisplayState(), 0);
    for (const char* folder :
         {"D:\\Varnel\\岚川天气助手", "D:\\Varnel\\岚川天气助手\\image\\b0.gif",
          "D:\\Varnel\\岚川天气助手\\city.dat"}) {
        EXPECT_TRUE(std::filesystem::exists(PlatformDiskPath(folder))) << folder;
    }
    UiCloseMainWindow();
    EXPECT_FALSE(std::filesystem::exists(PlatformDiskPath("D:\\Varnel\\岚川天气助手\\city.dat")));
}

// Every start writes the table the program carries, whatever an earlier run or the user left.
TEST_F(ProgramWindowTest, StartReplacesAnOlderCityTableByteForByte) {
    const Text cityTablePath = "D:\\Varnel\\岚川天气助手\\city.dat";
    PlatformCreateDirectory("D:\\Varnel");
    PlatformCreateDirectory("D:\\Varnel\\岚川天气助手");
    const std::string longer =
        std::string(CityTableData) + "[编辑]\r\n所有城市=某地,\r\n" + std::string(64 * 1024, 'x');
    ASSERT_TRUE(PlatformCreateFileAlways(cityTablePath, longer));

    ASSERT_TRUE(CreateMainWindow(MainWindowLayout()));
    std::ifstream file(PlatformDiskPath(cityTablePath), std::ios::binary);
    const std::string onDisk{std::istreambuf_iterator<char>(file),
                             std::istreambuf_iterator<char>()};
    EXPECT_EQ(onDisk.size(), CityTableData.size());
    EXPECT_TRUE(onDisk == CityTableData);
}

TEST_F(ProgramWindowTest, EscClosesTheWindowAndTheDestroyingHandlerRuns) {
    Open(MainWindowLayout());
    UiFocusControl(BrowserView);
    UiPressKey("Escape", false);
    ASSERT_TRUE(PumpUntil([] { return !MainWindowExists(); }));
    const AppSettingsRecord& settings = AppSettings();
    EXPECT_EQ(IniRead(settings.settingsPath, settings.appName, "位置", "none"), Text("0"));
}

TEST_F(MainWindowTest, WindowHasItsOuterSizeCentredOnTheScreen) {
    WindowRect outer;
    ASSERT_TRUE(PlatformGetWindowRect(MainWindowHandle(), &outer));
    EXPECT_EQ(outer.right - outer.left, 788);
    EXPECT_EQ(outer.bottom - outer.top, 415);
    // scripts/with-display's screen is 1280 x 800.
    EXPECT_EQ(outer.left, (1280 - 788) / 2);
    EXPECT_EQ(outer.top, (800 - 415) / 2);
}

TEST_F(MainWindowTest, EveryControlStandsAtItsPlaceAndSize) {
    struct Place {
        const char* name;
        int left, top, width, height;
    };
    const Place places[] = {
        {"透明标签1", 16, 16, 56, 24},  {"组合框1", 81, 19, 176, 20},
        {"透明标签2", 16, 48, 56, 24},  {"组合框2", 81, 51, 176, 20},
        {"透明标签4", 16, 88, 408, 32}, {"超文本浏览框1", 16, 136, 752, 232},
    };
    for (const Place& place : places) {
        int left = 0, top = 0, width = 0, height = 0;
        ASSERT_TRUE(UiControlPlacement(place.name, &left, &top, &width, &height)) << place.name;
        EXPECT_EQ(left, place.left) << place.name;
        EXPECT_EQ(top, place.top) << place.name;
        EXPECT_EQ(width, place.width) << place.name;
        EXPECT_EQ(height, place.height) << place.name;
    }
    ControlSetVisible(BusyLabel, true);
    PumpUntil([] {
        int left, top, width, height;
        return UiControlPlacement(BusyLabel, &left, &top, &width, &height) && width == 160;
    });
    int left = 0, top = 0, width = 0, height = 0;
    ASSERT_TRUE(UiControlPlacement(BusyLabel, &left, &top, &width, &height));
    EXPECT_EQ(left, 287);
    EXPECT_EQ(top, 49);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 24);
}

TEST_F(MainWindowTest, SelectionIndexIsLimitedToTheEntries) {
    struct Case {
        int entries;
        int index;
        int selected;
        const char* text;
    };
    const Case cases[] = {
        {3, 5, 2, "广东"}, {3, -7, -1, ""}, {0, 0, -1, ""},
        {3, 1, 1, "上海"}, {3, -1, -1, ""}, {3, 2, 2, "广东"},
    };
    for (const Case& each : cases) {
        ComboRemoveAllEntries(ProvinceBox);
        const char* names[] = {"北京", "上海", "广东"};
        for (int i = 0; i < each.entries; ++i) {
            ComboAppendEntry(ProvinceBox, names[i]);
        }
        ComboSetSelection(ProvinceBox, 1);
        ComboSetSelection(ProvinceBox, each.index);
        EXPECT_EQ(ComboReadSelection(ProvinceBox), each.selected) << each.index;
        EXPECT_EQ(ComboReadText(ProvinceBox), Text(each.text)) << each.index;
    }
    EXPECT_EQ(provincePicks.count, 0) << "setting the selection raised the event";
}

TEST_F(MainWindowTest, AppendKeepsOrderAndRemoveAllEmptiesTheBox) {
    EXPECT_EQ(ComboAppendEntry(CityBox, "北京"), 0);
    EXPECT_EQ(ComboAppendEntry(CityBox, "阿克苏"), 1);
    ComboSetSelection(CityBox, 0);
    EXPECT_EQ(ComboAppendEntry(CityBox, "安庆"), 2);
    EXPECT_EQ(ComboReadSelection(CityBox), 0) << "append moved the selection";
    EXPECT_EQ(ComboReadText(CityBox), Text("北京"));
    ComboRemoveAllEntries(CityBox);
    EXPECT_EQ(ComboEntryCount(CityBox), 0);
    EXPECT_EQ(ComboReadSelection(CityBox), -1);
    EXPECT_EQ(ComboReadText(CityBox), Text());
}

// A text cut from a broken page may hold byte pairs that are no GBK: only they become "?".
TEST_F(MainWindowTest, BytesThatAreNoGbkShowAsQuestionMarks) {
    FillProvinces({"上海\xff\xff市", "北京\xff"});
    ComboSetSelection(ProvinceBox, 0);
    EXPECT_EQ(ComboReadText(ProvinceBox), Text("上海?市"));
    ComboSetSelection(ProvinceBox, 1);
    EXPECT_EQ(ComboReadText(ProvinceBox), Text("北京?"));
}

TEST_F(MainWindowTest, PickRaisesTheEventOnceAfterThePickAlsoForTheSelectedEntry) {
    FillProvinces({"北京", "上海", "广东"});
    ASSERT_TRUE(ComboPickEntry(ProvinceBox, 2));
    EXPECT_EQ(provincePicks.count, 1);
    EXPECT_EQ(provincePicks.selection, 2);
    EXPECT_EQ(provincePicks.text, Text("广东"));
    ASSERT_TRUE(ComboPickEntry(ProvinceBox, 2));
    EXPECT_EQ(provincePicks.count, 2);
    EXPECT_EQ(provincePicks.selection, 2);
}

TEST_F(MainWindowTest, KeyboardOpensTheListAndPicksFromIt) {
    FillProvinces({"北京", "上海", "广东"});
    ComboSetSelection(ProvinceBox, 0);
    UiFocusControl(ProvinceBox);
    UiPressKey("Down", true);
    ASSERT_TRUE(PumpUntil([] { return ComboListIsOpen(ProvinceBox); }));
    UiPumpEvents(100);
    UiPressKey("Down", false);
    UiPumpEvents(100);
    UiPressKey("Return", false);
    ASSERT_TRUE(PumpUntil([] { return provincePicks.count > 0; }));
    UiPumpEvents(100);
    EXPECT_EQ(provincePicks.count, 1);
    EXPECT_EQ(provincePicks.selection, 1);
    EXPECT_EQ(provincePicks.text, Text("上海"));
    EXPECT_FALSE(ComboListIsOpen(ProvinceBox));
}

TEST_F(MainWindowTest, TypingChangesTheTextAndRaisesNothing) {
    FillProvinces({"北京"});
    ComboSetSelection(ProvinceBox, 0);
    UiFocusControl(ProvinceBox);
    UiPumpEvents(50);
    for (const char* key : {"End", "x", "y"}) {
        UiPressKey(key, false);
    }
    PumpUntil([] { return ComboReadText(ProvinceBox) == Text("北京xy"); });
    EXPECT_EQ(ComboReadText(ProvinceBox), Text("北京xy"));
    EXPECT_EQ(provincePicks.count, 0);
}

TEST_F(MainWindowTest, DisabledBoxRaisesNothingAndKeepsItsEntries) {
    FillProvinces({"北京", "上海"});
    ComboSetSelection(ProvinceBox, 1);
    ControlSetEnabled(ProvinceBox, false);
    EXPECT_FALSE(ComboPickEntry(ProvinceBox, 0));
    EXPECT_EQ(provincePicks.count, 0);
    EXPECT_EQ(ComboEntryCount(ProvinceBox), 2);
    EXPECT_EQ(ComboReadSelection(ProvinceBox), 1);
    EXPECT_EQ(ComboReadText(ProvinceBox), Text("上海"));
}

TEST_F(MainWindowTest, TabMovesAmongTheBoxesAndTheBrowserView) {
    ControlSetEnabled(ProvinceBox, true);
    ControlSetEnabled(CityBox, true);
    UiFocusControl(ProvinceBox);
    UiPumpEvents(50);
    EXPECT_EQ(UiFocusedControl(), ProvinceBox);
    UiPressKey("Tab", false);
    ASSERT_TRUE(PumpUntil([] { return UiFocusedControl() == CityBox; }));
    UiPressKey("Tab", false);
    EXPECT_TRUE(PumpUntil([] { return UiFocusedControl() == BrowserView; }));
}

// Workers reach the controls through the UI thread and see their own changes at once.
TEST_F(MainWindowTest, WorkerCallsRunOnTheUiThreadWhileTheLoopRuns) {
    std::atomic<bool> sawOwnText{false};
    std::thread worker([&] {
        ComboAppendEntry(CityBox, "北京");
        ComboAppendEntry(CityBox, "天津");
        ComboSetSelection(CityBox, 1);
        sawOwnText = ComboReadText(CityBox) == Text("天津");
        ControlSetEnabled(CityBox, true);
        UiCloseMainWindow();
    });
    RunMessageLoop();
    worker.join();
    EXPECT_TRUE(sawOwnText);
    EXPECT_FALSE(MainWindowExists());
}

TEST_F(MainWindowTest, WorkerCallsAfterTheWindowClosedReturnTheirDefaultsAtOnce) {
    std::atomic<int> queuedResult{99};
    std::atomic<bool> queuedReturned{false};
    // This call is queued while the UI thread is busy and must not wait for a loop that ends.
    std::thread queued([&] {
        queuedResult = ComboAppendEntry(ProvinceBox, "北京");
        queuedReturned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    UiCloseMainWindow();
    for (int i = 0; i < 100 && !queuedReturned; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(queuedReturned);
    EXPECT_EQ(queuedResult, -1);
    queued.join();

    auto started = std::chrono::steady_clock::now();
    int appended = 0, selection = 0;
    Text text = "x";
    std::thread late([&] {
        appended = ComboAppendEntry(ProvinceBox, "北京");
        selection = ComboReadSelection(ProvinceBox);
        text = ComboReadText(ProvinceBox);
        LabelSetText(HeadingLabel, "北京");
        BrowserShowLocalPage(BrowserView, "D:\\x.htm");
    });
    late.join();
    // Returning at all is the point: a call that waited for the closed window would hang here.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(appended, -1);
    EXPECT_EQ(selection, -1);
    EXPECT_EQ(text, Text());
    // Queued calls left in the idle queue are dropped when the UI thread runs again.
    UiPumpEvents(50);
}

TEST_F(MainWindowTest, BrowserLoadsTheFileAnewEveryTimeAndRunsNoScript) {
    const Text page = "D:\\页面.htm";
    const Text other = "D:\\other.htm";
    PlatformCreateFileAlways(other, "<html><body>other</body></html>");
    std::string otherUri = "file://" + PlatformDiskPath(other);
    PlatformCreateFileAlways(page,
                             "<html><head><meta charset=gb2312></head><body>北京"
                             "<script>location.href='" +
                                 otherUri +
                                 "';</script>"
                                 "</body></html>");
    BrowserShowLocalPage(BrowserView, page);
    ASSERT_TRUE(BrowserWaitLoadsFinished(BrowserView, 1, 5000));
    BrowserShowLocalPage(BrowserView, page);
    ASSERT_TRUE(BrowserWaitLoadsFinished(BrowserView, 2, 5000));
    UiPumpEvents(300);
    EXPECT_EQ(BrowserLoadsFinished(BrowserView), 2) << "a script ran or a load repeated";
    std::string uri = BrowserCurrentUri(BrowserView);
    EXPECT_EQ(uri.rfind("file://", 0), 0u) << uri;
    EXPECT_NE(uri.find("%E9%A1%B5%E9%9D%A2.htm"), std::string::npos) << uri;
}

}  // namespace
