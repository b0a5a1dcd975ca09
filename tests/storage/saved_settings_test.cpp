// The settings file's keys: defaults, round trips, exact bytes, other sections, display state.
#include <gtest/gtest.h>

#include "../platform/fresh_drive_root.h"
#include "state/state.h"
#include "storage/storage.h"

class SavedSettings : public FreshDriveRoot {
  protected:
    void SetUp() override {
        FreshDriveRoot::SetUp();
        CreateSharedState();
        AppSettings().appName = "岚川天气助手";
        AppSettings().settingsPath = ResolveSettingsPath();
        ASSERT_EQ(AppSettings().settingsPath, "D:\\Varnel\\Rederizoza.p");
    }
    void TearDown() override {
        CreateSharedState();
        FreshDriveRoot::TearDown();
    }
    static Text Key(std::string_view key) { return Text(key); }
};

TEST_F(SavedSettings, KeysAreTheirGbkBytes) {
    EXPECT_EQ(Key(ProvinceSelectionKey),
              "\xd7\xe9\xba\xcf\xbf\xf2"
              "1.\xcf\xd6\xd0\xd0\xd1\xa1\xd6\xd0\xcf\xee");
    EXPECT_EQ(Key(CitySelectionKey),
              "\xd7\xe9\xba\xcf\xbf\xf2"
              "2.\xcf\xd6\xd0\xd0\xd1\xa1\xd6\xd0\xcf\xee");
    EXPECT_EQ(Key(DisplayStateKey), "\xce\xbb\xd6\xc3");
}

TEST_F(SavedSettings, WithoutAFileEveryReadGivesItsDefaultAndNoFileIsMade) {
    EXPECT_EQ(ReadSavedInteger(Key(ProvinceSelectionKey), Key(SelectionDefault)), 0);
    EXPECT_EQ(ReadSavedInteger(Key(CitySelectionKey), Key(SelectionDefault)), 0);
    EXPECT_EQ(ReadSavedInteger(Key(DisplayStateKey), Text()), 0);
    EXPECT_FALSE(ExistsOnDisk("D:\\Varnel\\Rederizoza.p"));
}

TEST_F(SavedSettings, FirstRunWritesTheKeysInOrder) {
    EXPECT_TRUE(WriteSavedInteger(Key(ProvinceSelectionKey), 2));
    EXPECT_TRUE(WriteSavedInteger(Key(CitySelectionKey), 2));
    EXPECT_TRUE(WriteSavedInteger(Key(DisplayStateKey), 0));
    EXPECT_EQ(DiskBytes("D:\\Varnel\\Rederizoza.p"),
              "[岚川天气助手]\r\n组合框1.现行选中项=2\r\n组合框2.现行选中项=2\r\n位置=0\r\n");
    EXPECT_TRUE(WriteSavedInteger(Key(ProvinceSelectionKey), 23));
    EXPECT_TRUE(WriteSavedInteger(Key(CitySelectionKey), -1));
    EXPECT_EQ(ReadSavedInteger(Key(ProvinceSelectionKey), Key(SelectionDefault)), 23);
    EXPECT_EQ(ReadSavedInteger(Key(CitySelectionKey), Key(SelectionDefault)), -1);
    EXPECT_EQ(DiskBytes("D:\\Varnel\\Rederizoza.p"),
              "[岚川天气助手]\r\n组合框1.现行选中项=23\r\n组合框2.现行选中项=-1\r\n位置=0\r\n");
}

TEST_F(SavedSettings, OtherSectionsSurviveWritesByteForByte) {
    const std::string before =
        "; kept\r\n[Other]\r\n组合框1.现行选中项=7\r\nx = 1 \r\n\r\n[岚川天气助手]\r\n位置=3\r\n"
        "\r\n[Tail]\n\xb0\xa1=\xb0\xa1\n";
    PutDisk("D:\\Varnel\\Rederizoza.p", before);
    EXPECT_TRUE(WriteSavedInteger(Key(ProvinceSelectionKey), 5));
    EXPECT_TRUE(WriteSavedInteger(Key(DisplayStateKey), 2));
    EXPECT_EQ(
        DiskBytes("D:\\Varnel\\Rederizoza.p"),
        "; kept\r\n[Other]\r\n组合框1.现行选中项=7\r\nx = 1 \r\n\r\n[岚川天气助手]\r\n位置=2\r\n"
        "组合框1.现行选中项=5\r\n\r\n[Tail]\n\xb0\xa1=\xb0\xa1\n");
}

TEST_F(SavedSettings, HandEditedValues) {
    struct Case {
        const char* stored;
        int number;
    };
    // The window holds what it is given to the four display states (SetDisplayState).
    const Case cases[] = {
        {"3", 3},   {"2", 2},     {"5", 5},   {"-4", -4},           {"", 0},
        {"2.9", 2}, {"-2.9", -2}, {"abc", 0}, {"9e99", 2147483647},
    };
    for (const Case& c : cases) {
        PutDisk("D:\\Varnel\\Rederizoza.p",
                std::string("[岚川天气助手]\r\n位置=") + c.stored + "\r\n");
        EXPECT_EQ(ReadSavedInteger(Key(DisplayStateKey), Text()), c.number) << c.stored;
    }
}

TEST_F(SavedSettings, FailedWriteIsReportedAndLeavesNothing) {
    AppSettings().settingsPath = "D:\\missing\\Rederizoza.p";
    EXPECT_FALSE(WriteSavedInteger(Key(DisplayStateKey), 3));
    EXPECT_FALSE(ExistsOnDisk("D:\\missing"));
}
