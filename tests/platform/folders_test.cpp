// Special folders by CSIDL and the temporary-files folder, as Windows paths that exist on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "fresh_drive_root.h"
#include "platform/folders.h"

namespace fs = std::filesystem;

using Folders = FreshDriveRoot;

TEST_F(Folders, SpecialFoldersAsTheShellReportsThem) {
    EXPECT_EQ(PlatformSpecialFolder(36), "C:\\WINDOWS");
    EXPECT_EQ(PlatformSpecialFolder(37), "C:\\WINDOWS\\system32");
    for (int csidl : {0, 6, 36, 37}) {
        const Text folder = PlatformSpecialFolder(csidl);
        ASSERT_GT(folder.size(), 3u) << csidl;
        EXPECT_EQ(folder.substr(0, 3), "C:\\") << csidl;
        EXPECT_NE(folder.back(), '\\') << csidl;
        EXPECT_TRUE(fs::is_directory(PlatformDiskPath(folder))) << csidl;
    }
    EXPECT_NE(PlatformSpecialFolder(0), PlatformSpecialFolder(6));
    EXPECT_EQ(PlatformSpecialFolder(9999), "");
}

TEST_F(Folders, NoSpecialFolderWithoutDriveC) {
    ASSERT_FALSE(PlatformDiskPath("C:\\").empty());
    fs::remove_all(Root() / "c");
    EXPECT_EQ(PlatformSpecialFolder(37), "");
    EXPECT_EQ(PlatformSpecialFolder(0), "");
}

TEST_F(Folders, TempPathIsMadeAndCutToTheBuffer) {
    EXPECT_EQ(PlatformTempPath(255), "C:\\WINDOWS\\Temp\\");
    EXPECT_TRUE(fs::is_directory(PlatformDiskPath("C:\\WINDOWS\\Temp\\")));
    fs::remove_all(PlatformDiskPath("C:\\WINDOWS\\Temp"));
    EXPECT_EQ(PlatformTempPath(255), "C:\\WINDOWS\\Temp\\");
    EXPECT_TRUE(fs::is_directory(PlatformDiskPath("C:\\WINDOWS\\Temp\\")));
    EXPECT_EQ(PlatformTempPath(5), "C:\\W");
    EXPECT_EQ(PlatformTempPath(1), "");
    EXPECT_EQ(PlatformTempPath(0), "");
}
