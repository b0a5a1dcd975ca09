// Unpacking icon archives into an image folder on a fresh machine's drive D:.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "embedded/embedded.h"
#include "icons_files.h"
#include "platform/drives_testing.h"
#include "platform/files.h"
#include "state/state.h"

namespace {

using icons_test::ArchiveOrder;
using icons_test::ReadDiskFile;
using icons_test::SourceIcon;
using namespace std::string_literals;

// Every test gets its own drive root, removed afterwards.
class IconUnpack : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    // Creates each level of a Windows folder path such as "D:\a\b\".
    static void MakeFolders(const Text& path) {
        for (std::size_t at = path.find('\\', 3); at != Text::npos; at = path.find('\\', at + 1)) {
            CreateFolder(path.substr(0, at));
        }
        ASSERT_TRUE(std::filesystem::is_directory(PlatformDiskPath(path))) << path;
    }

    // The names and contents of the files in a folder (no subfolders expected).
    static std::map<std::string, std::string> FolderContents(const Text& path) {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(PlatformDiskPath(path))) {
            files[entry.path().filename().string()] =
                entry.is_regular_file() ? ReadDiskFile(entry.path().string()).value_or("?")
                                        : "<folder>";
        }
        return files;
    }

    // The folder holds the 32 pictures, byte for byte, and nothing else.
    static void ExpectTheProgramsPictures(const Text& path) {
        const auto files = FolderContents(path);
        EXPECT_EQ(files.size(), 32u);
        for (const std::string& name : ArchiveOrder()) {
            SCOPED_TRACE(name);
            ASSERT_EQ(files.count(name), 1u);
            EXPECT_TRUE(files.at(name) == SourceIcon(name));
        }
    }

    std::string scratch;
};

// The program's own folder: GBK names on the way to the disk.
const Text ProgramImageDir = "D:\\Varnel\\岚川天气助手\\image\\";

TEST_F(IconUnpack, WritesThe32PicturesByteForByte) {
    MakeFolders(ProgramImageDir);
    ImageDir() = ProgramImageDir;
    UnpackIcons();

    ExpectTheProgramsPictures(ProgramImageDir);
}

TEST_F(IconUnpack, ReplacesOlderChangedAndLongerFiles) {
    MakeFolders(ProgramImageDir);
    const std::map<std::string, std::string> before = {
        {"b0.gif", std::string(100000, 'x')},               // much longer
        {"b18.gif", SourceIcon("b18.gif") + "tail"},        // the right bytes and more
        {"b29.gif", ""},                                    // cut to nothing
        {"b31.gif", SourceIcon("b30.gif")},                 // another picture
        {"b26.gif", SourceIcon("b26.gif").substr(0, 100)},  // cut short
    };
    for (const auto& [name, bytes] : before) {
        ASSERT_TRUE(WriteFileBytes(ProgramImageDir + name, bytes));
    }
    ImageDir() = ProgramImageDir;
    UnpackIcons();
    // A second start writes the same files again over its own.
    UnpackIcons();

    ExpectTheProgramsPictures(ProgramImageDir);
}

struct ArchiveCase {
    const char* what;
    std::string archive;
    std::map<std::string, std::string> written;
};

// Hand-made archives: which files each one leaves in an empty image folder.
const ArchiveCase ArchiveCases[] = {
    {"an end separator at the end adds no record",
     "ONE/varnel_name/a.gif/varnel_end/TWO/varnel_name/b.gif/varnel_end/",
     {{"a.gif", "ONE"}, {"b.gif", "TWO"}}},
    {"a last record without end separator is still written",
     "ONE/varnel_name/a.gif/varnel_end/TWO/varnel_name/b.gif",
     {{"a.gif", "ONE"}, {"b.gif", "TWO"}}},
    {"a record without name separator is skipped, later ones are written",
     "ONE/varnel_name/a.gif/varnel_end/no name here/varnel_end/THREE/varnel_name/c.gif/varnel_end/",
     {{"a.gif", "ONE"}, {"c.gif", "THREE"}}},
    {"a record with two name separators is skipped",
     "X/varnel_name/Y/varnel_name/a.gif/varnel_end/TWO/varnel_name/b.gif/varnel_end/",
     {{"b.gif", "TWO"}}},
    {"zero bytes in picture data are written whole",
     "G\0I\0F\0\0/varnel_name/z.gif/varnel_end/"s,
     {{"z.gif", "G\0I\0F\0\0"s}}},
    {"a name is cut at its first zero byte",
     "DATA/varnel_name/c.gif\0junk.gif/varnel_end/"s,
     {{"c.gif", "DATA"}}},
    {"empty picture data gives an empty file", "/varnel_name/e.gif/varnel_end/", {{"e.gif", ""}}},
    {"a record with an empty name writes nothing",
     "DATA/varnel_name//varnel_end/DATA/varnel_name/\0x.gif/varnel_end/"s,
     {}},
    {"an empty archive writes nothing", "", {}},
    {"names that leave the image folder are skipped",
     "A/varnel_name/..\\up.gif/varnel_end/B/varnel_name/../up2.gif/varnel_end/"
     "C/varnel_name/sub\\c.gif/varnel_end/D/varnel_name/D:\\d.gif/varnel_end/"
     "OK/varnel_name/ok.gif/varnel_end/",
     {{"ok.gif", "OK"}}},
};

TEST_F(IconUnpack, HandMadeArchives) {
    int number = 0;
    for (const ArchiveCase& c : ArchiveCases) {
        SCOPED_TRACE(c.what);
        // Each case in its own folder two levels down, so that a write that climbs out shows.
        const Text caseDir = "D:\\case" + std::to_string(++number) + "\\";
        const Text imageDir = caseDir + "image\\";
        MakeFolders(imageDir);

        UnpackIconArchive(c.archive, imageDir);

        EXPECT_EQ(FolderContents(imageDir), c.written);
        const std::map<std::string, std::string> justTheFolder = {{"image", "<folder>"}};
        EXPECT_EQ(FolderContents(caseDir), justTheFolder);
    }
    // Nothing reached the drive's top either.
    EXPECT_EQ(FolderContents("D:\\").size(), std::size(ArchiveCases));
}

TEST_F(IconUnpack, MissingImageFolderWritesNothing) {
    UnpackIconArchive(IconArchive, "D:\\nowhere\\image\\");
    EXPECT_FALSE(std::filesystem::exists(PlatformDiskPath("D:\\nowhere")));
    EXPECT_TRUE(FolderContents("D:\\").empty());
}

}  // namespace
