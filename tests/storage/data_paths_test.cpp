// The data root and settings path on a writable, a missing and a blocked drive D:.
#include <gtest/gtest.h>

#include <filesystem>

#include "../platform/fresh_drive_root.h"
#include "storage/storage.h"

namespace fs = std::filesystem;

namespace {

const std::string kNoticeBytes =
    "\xb1\xbe\xc4\xbf\xc2\xbc\xce\xaa\xca\xfd\xbe\xdd\xb1\xa3\xb4\xe6\xc4\xbf\xc2\xbc,"
    "\xd3\xc3\xbb\xa7\xc7\xeb\xce\xf0\xca\xd6\xb6\xaf\xd0\xde\xb8\xc4\xbb\xf2\xc9\xbe\xb3\xfd"
    "\xb1\xbe\xc4\xbf\xc2\xbc\xcf\xc2\xc8\xce\xba\xce\xce\xc4\xbc\xfe,"
    "\xd2\xd4\xc3\xe2\xcf\xe0\xd3\xa6\xb5\xc4\xc8\xed\xbc\xfe\xd4\xcb\xd0\xd0\xb3\xf6\xb4\xed\r\n";

}  // namespace

class DataPaths : public FreshDriveRoot {
  protected:
    fs::path DriveD() const { return Root() / "d"; }
    fs::path NoticeOnDisk() const { return DriveD() / "Varnel" / Utf8(u8"用户注意.txt"); }
    std::string NoticeBytes() const { return DiskBytes("D:\\Varnel\\用户注意.txt"); }
    void ExpectFallbacks() {
        EXPECT_EQ(ResolveSettingsPath(), "C:\\WINDOWS\\system32\\Harbwell.txt");
        EXPECT_EQ(ResolveDataRoot(), "C:\\Program Files\\3d\\");
        EXPECT_TRUE(fs::is_directory(Root() / "c" / "Program Files" / "3d"));
        EXPECT_TRUE(fs::is_empty(Root() / "c" / "Program Files" / "3d"));  // no notice there
    }
};

TEST_F(DataPaths, WritableDriveDHoldsRootNoticeAndSettings) {
    ASSERT_EQ(kNoticeBytes.size(), 84u);
    EXPECT_EQ(ResolveSettingsPath(), "D:\\Varnel\\Rederizoza.p");
    EXPECT_EQ(ResolveDataRoot(), "D:\\Varnel\\");
    EXPECT_EQ(NoticeBytes(), kNoticeBytes);
    EXPECT_EQ(TextToBytes(Text(NoticeText)), kNoticeBytes);
    EXPECT_TRUE(fs::is_regular_file(NoticeOnDisk()));
    EXPECT_FALSE(fs::exists(Root() / "c" / "Program Files"));
}

TEST_F(DataPaths, NoticeIsRewrittenAtEveryCall) {
    ASSERT_EQ(ResolveDataRoot(), "D:\\Varnel\\");
    PutDisk("D:\\Varnel\\用户注意.txt",
            "changed by the user, and longer than the notice " + std::string(100, 'x'));
    EXPECT_EQ(ResolveDataRoot(), "D:\\Varnel\\");
    EXPECT_EQ(NoticeBytes(), kNoticeBytes);
    fs::remove(NoticeOnDisk());
    EXPECT_EQ(ResolveSettingsPath(), "D:\\Varnel\\Rederizoza.p");
    EXPECT_EQ(NoticeBytes(), kNoticeBytes);
}

TEST_F(DataPaths, WithoutDriveDTheFallbacksAreUsed) {
    ASSERT_FALSE(PlatformDiskPath("D:\\").empty());
    fs::remove_all(DriveD());
    ExpectFallbacks();
    EXPECT_FALSE(fs::exists(DriveD()));
}

TEST_F(DataPaths, FileNamedVarnelBlocksTheRoot) {
    ASSERT_FALSE(PlatformDiskPath("D:\\").empty());
    { std::ofstream(DriveD() / "Varnel") << "in the way"; }
    ExpectFallbacks();
    EXPECT_EQ(DiskBytes("D:\\Varnel"), "in the way");
}

TEST_F(DataPaths, DriveDThatIsAFileIsNotWritable) {
    ASSERT_FALSE(PlatformDiskPath("D:\\").empty());
    fs::remove_all(DriveD());
    { std::ofstream(DriveD()) << "not a drive"; }
    ExpectFallbacks();
}

TEST_F(DataPaths, ExistingFallbackRootIsKept) {
    ASSERT_TRUE(CreateFolder("C:\\Program Files"));
    ASSERT_TRUE(CreateFolder("C:\\Program Files\\3d"));
    ASSERT_TRUE(WriteFileBytes("C:\\Program Files\\3d\\keep.txt", "keep"));
    fs::remove_all(DriveD());
    EXPECT_EQ(FallbackDataRoot(), "C:\\Program Files\\3d\\");
    EXPECT_EQ(DiskBytes("C:\\Program Files\\3d\\keep.txt"), "keep");
}

TEST_F(DataPaths, SpecialFolders) {
    EXPECT_EQ(SpecialFolderPath(9), "C:\\WINDOWS\\");
    EXPECT_EQ(SpecialFolderPath(36), "C:\\WINDOWS\\");
    EXPECT_EQ(SpecialFolderPath(10), "C:\\WINDOWS\\system32\\");
    EXPECT_EQ(SpecialFolderPath(37), SpecialFolderPath(10));
    EXPECT_EQ(SpecialFolderPath(11), "C:\\WINDOWS\\Temp\\");
    EXPECT_EQ(TempFolderPath(), "C:\\WINDOWS\\Temp\\");
    EXPECT_EQ(SpecialFolderPath(3), SpecialFolderPath(0));
    EXPECT_EQ(SpecialFolderPath(2), SpecialFolderPath(6));
    EXPECT_NE(SpecialFolderPath(2), SpecialFolderPath(3));
    for (int number : {2, 3}) {
        const Text folder = SpecialFolderPath(number);
        ASSERT_FALSE(folder.empty()) << number;
        EXPECT_EQ(folder.back(), '\\') << number;
        EXPECT_TRUE(fs::is_directory(PlatformDiskPath(folder))) << number;
    }
    EXPECT_EQ(SpecialFolderPath(9999), "");
}

TEST(WithTrailingBackslash, LooksAtTheLastByteOnly) {
    struct Case {
        Text path;
        Text result;
    };
    const Case cases[] = {
        {"C:\\Temp\\", "C:\\Temp\\"},
        {"C:\\Temp", "C:\\Temp\\"},
        {"", "\\"},
        {"\\", "\\"},
        {"C:\\岚川", "C:\\岚川\\"},
        // 0x81 0x5C is one character, but its last byte is a backslash.
        {"C:\\\x81\x5c", "C:\\\x81\x5c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithTrailingBackslash(c.path), c.result) << c.path;
    }
}
