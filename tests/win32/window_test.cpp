// The program's first window under Wine: what its start leaves on drive D:, read through the ANSI
// calls (GBK names), which std::filesystem on Windows cannot read.
#include <windows.h>

#include "../shell/window_fixture.h"

namespace {

class ProgramStartTest : public MainWindowFixture {};

TEST_F(ProgramStartTest, StartWritesTheDataFolderTheIconsAndTheCityTable) {
    ASSERT_TRUE(CreateMainWindow(MainWindowLayout()));
    ShowMainWindow();
    struct Entry {
        const char* path;
        bool folder;
    };
    const Entry entries[] = {
        {"D:\\Varnel\\岚川天气助手", true},
        {"D:\\Varnel\\岚川天气助手\\image\\b0.gif", false},
        {"D:\\Varnel\\岚川天气助手\\image\\b31.gif", false},
        {"D:\\Varnel\\岚川天气助手\\city.dat", false},
    };
    for (const Entry& entry : entries) {
        DWORD attributes = GetFileAttributesA(entry.path);
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << entry.path;
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, entry.folder) << entry.path;
    }
    UiCloseMainWindow();
    EXPECT_EQ(GetFileAttributesA("D:\\Varnel\\岚川天气助手\\city.dat"), INVALID_FILE_ATTRIBUTES)
        << "the city table outlived the window";
}

}  // namespace
