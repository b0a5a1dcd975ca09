// Windows paths on disk: drive letters, separators, GBK names, "..", missing and blocked drives.
#include <gtest/gtest.h>

#include <filesystem>

#include "fresh_drive_root.h"
#include "platform/drives_testing.h"
#include "platform/files.h"
#include "text/text.h"

namespace fs = std::filesystem;

using DriveMap = FreshDriveRoot;

TEST_F(DriveMap, FirstUseMakesDrivesCAndD) {
    EXPECT_EQ(PlatformDriveRoot(), scratch_ + "/drives");
    EXPECT_FALSE(fs::exists(Root()));
    EXPECT_TRUE(PlatformCreateFileAlways("D:\\probe.txt", "x"));
    EXPECT_TRUE(fs::is_directory(Root() / "c" / "WINDOWS" / "system32"));
    EXPECT_TRUE(fs::is_regular_file(Root() / "d" / "probe.txt"));
}

TEST_F(DriveMap, AnExistingRootIsLeftAsItIs) {
    fs::create_directories(Root());
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\probe.txt", "x"));
    EXPECT_FALSE(PlatformCreateDirectory("D:\\Varnel"));
    EXPECT_FALSE(fs::exists(Root() / "c"));
    EXPECT_FALSE(fs::exists(Root() / "d"));
}

TEST_F(DriveMap, PathsOnDisk) {
    const std::string root = PlatformDriveRoot();
    struct Case {
        const char* name;
        Text windowsPath;
        std::string disk;  // relative to the root; empty: no disk path
    };
    const Case cases[] = {
        {"doubled backslash counts as one", "D:\\Varnel\\\\用户注意.txt",
         Utf8(u8"/d/Varnel/用户注意.txt")},
        {"small drive letter", "d:\\Varnel\\", "/d/Varnel/"},
        {"forward slashes", "C:/WINDOWS/system32", "/c/WINDOWS/system32"},
        {"drive root", "X:\\", "/x/"},
        {"dot-dot stays in the drive", "D:\\a\\..\\..\\..\\etc\\passwd", "/d/etc/passwd"},
        {"dot", "D:\\.\\a\\.\\b", "/d/a/b"},
        {"trailing dots and blanks dropped", "D:\\Varnel. \\x", "/d/Varnel/x"},
        {"trail byte 0x5C is no separator", "D:\\\x81\x5c.txt", Utf8(u8"/d/乗.txt")},
        {"empty", "", ""},
        {"drive only", "D:", ""},
        {"drive-relative", "D:Varnel", ""},
        {"no drive letter", "\\Varnel\\a", ""},
        {"digit as drive", "1:\\a", ""},
        {"relative", "Varnel\\a", ""},
        {"forbidden character", "D:\\a?b", ""},
        {"stream colon", "D:\\a:b", ""},
        {"invalid gbk", "D:\\\xff\xff", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlatformDiskPath(c.windowsPath), c.disk.empty() ? "" : root + c.disk) << c.name;
    }
}

TEST_F(DriveMap, DriveLettersIgnoreCaseAndNamesBecomeUtf8) {
    ASSERT_TRUE(PlatformCreateDirectory("d:\\Varnel"));
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\Varnel\\\\用户注意.txt", "n"));
    EXPECT_TRUE(fs::is_regular_file(Root() / "d" / "Varnel" / Utf8(u8"用户注意.txt")));
    EXPECT_TRUE(PlatformDeleteFile("d:\\varnel\\..\\Varnel\\用户注意.txt"));
}

TEST_F(DriveMap, DotDotNeverLeavesTheDrive) {
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\..\\..\\..\\escape.txt", "x"));
    EXPECT_TRUE(fs::is_regular_file(Root() / "d" / "escape.txt"));
    EXPECT_FALSE(fs::exists(Root() / "escape.txt"));
    EXPECT_FALSE(fs::exists(fs::path(scratch_) / "escape.txt"));
}

TEST_F(DriveMap, MissingDriveFailsAndIsNotMade) {
    ASSERT_TRUE(PlatformCreateDirectory("D:\\Varnel"));
    fs::remove_all(Root() / "d");
    EXPECT_FALSE(PlatformCreateDirectory("D:\\Varnel"));
    EXPECT_FALSE(PlatformCreateDirectory("D:\\"));
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\a.txt", "x"));
    EXPECT_FALSE(PlatformDeleteFile("D:\\a.txt"));
    EXPECT_FALSE(fs::exists(Root() / "d"));
    EXPECT_FALSE(PlatformCreateDirectory("Q:\\x"));
    EXPECT_TRUE(PlatformCreateDirectory("C:\\still"));  // other drives carry on
}

TEST_F(DriveMap, DriveThatIsAFileIsMissing) {
    ASSERT_TRUE(PlatformCreateDirectory("C:\\x"));
    fs::remove_all(Root() / "d");
    { std::ofstream(Root() / "d") << "not a drive"; }
    EXPECT_FALSE(PlatformCreateDirectory("D:\\Varnel"));
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\a.txt", "x"));
}

TEST_F(DriveMap, FileWhereAFolderIsExpectedBlocks) {
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\Varnel", "a file"));
    EXPECT_FALSE(PlatformCreateDirectory("D:\\Varnel"));
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\Varnel\\\\用户注意.txt", "x"));
    EXPECT_FALSE(PlatformCreateDirectory("D:\\Varnel\\sub"));
    EXPECT_EQ(DiskBytes("D:\\Varnel"), "a file");
}

TEST_F(DriveMap, FolderWhereAFileIsExpectedFails) {
    ASSERT_TRUE(PlatformCreateDirectory("D:\\tmp.htm"));
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\tmp.htm", "x"));
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\file\\", "x"));
    EXPECT_FALSE(PlatformDeleteFile("D:\\tmp.htm"));
    EXPECT_TRUE(fs::is_directory(Root() / "d" / "tmp.htm"));
}

TEST_F(DriveMap, RootIsReadAtEveryCall) {
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\first.txt", "1"));
    const std::string second = PlatformUseFreshDriveRoot();
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\second.txt", "2"));
    EXPECT_TRUE(fs::is_regular_file(fs::path(second) / "drives" / "d" / "second.txt"));
    EXPECT_FALSE(fs::exists(fs::path(second) / "drives" / "d" / "first.txt"));
    fs::remove_all(second);
}
