// The program state: StartWorker's threads and handles, emptying the shared records, and the
// controls' layout names as GBK bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "state/state.h"

namespace {

std::atomic<std::uintptr_t> seenParameter{0};

void RecordParameter(std::uintptr_t parameter) {
    seenParameter = parameter;
}

TEST(StartWorker, RunsTheEntryWithItsParameterAndHandsBackAKeptHandle) {
    seenParameter = 0;
    ThreadHandle handle = 0;
    ASSERT_TRUE(StartWorker(RecordParameter, 42, true, &handle));
    ASSERT_NE(handle, 0u);
    PlatformWaitThread(handle);
    EXPECT_EQ(seenParameter, 42u);
}

TEST(StartWorker, ADetachedThreadLeavesNoHandle) {
    ThreadHandle handle = 7;
    EXPECT_TRUE(StartWorker(RecordParameter, 1, false, &handle));
    EXPECT_EQ(handle, 0u);
}

TEST(SharedState, CreatingItEmptiesEveryRecord) {
    AppSettings().appName = "x";
    ImageDir() = "y";
    CityTablePath() = "z";
    QueryState().url = "u";
    QueryState().cityTitle = "t";
    CreateSharedState();
    EXPECT_TRUE(AppSettings().appName.empty());
    EXPECT_TRUE(ImageDir().empty());
    EXPECT_TRUE(CityTablePath().empty());
    EXPECT_TRUE(QueryState().url.empty());
    EXPECT_TRUE(QueryState().cityTitle.empty());
}

TEST(ControlNames, AreTheLayoutNamesInGbk) {
    // 组合框1 and 超文本浏览框1, spelt out as bytes rather than read from the code.
    EXPECT_EQ(Text(ProvinceBox),
              "\xd7\xe9\xba\xcf\xbf\xf2"
              "1");
    EXPECT_EQ(Text(BrowserView),
              "\xb3\xac\xce\xc4\xb1\xbe\xe4\xaf\xc0\xc0\xbf\xf2"
              "1");
}

}  // namespace
