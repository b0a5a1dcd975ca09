// INI profile files: what a read finds, the exact bytes a write leaves, atomic and locked writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "fresh_drive_root.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

namespace {

const Text kPath = "D:\\Rederizoza.p";

// Comments, blank lines, padding, quotes, duplicates, LF-only lines, no final line break.
const char kSample[] =
    "; settings\r\n"
    "[Other]\r\n"
    "key=other\r\n"
    "\r\n"
    "  [ 岚川天气助手 ]  \r\n"
    "  组合框1.现行选中项 = 2 \r\n"
    "Quoted=\"  spaced  \"\r\n"
    "single='x'\r\n"
    "mismatch=\"x'\r\n"
    "lonequote=\"\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    ";hidden=1\r\n"
    "\r\n"
    "[岚川天气助手]\r\n"
    "late=1\r\n"
    "[lf]\n"
    "a=1\n"
    "[last]\r\n"
    "tail=end";

Text Read(const Text& section, const Text& key, const Text& fallback = "dflt",
          std::size_t buffer = 10240) {
    return ProfileReadString(kPath, section, key, fallback, buffer);
}

}  // namespace

using Profile = FreshDriveRoot;

TEST_F(Profile, Reading) {
    PutDisk(kPath, kSample);
    struct Case {
        const char* name;
        Text section;
        Text key;
        Text value;
    };
    const Case cases[] = {
        {"plain", "Other", "key", "other"},
        {"section and key ignore case", "OTHER", "KEY", "other"},
        {"blanks around names and value", "岚川天气助手", "组合框1.现行选中项", "2"},
        {"blanks around the asked names", " 岚川天气助手 ", " 组合框1.现行选中项", "2"},
        {"outer double quotes", "岚川天气助手", "quoted", "  spaced  "},
        {"outer single quotes", "岚川天气助手", "single", "x"},
        {"quotes that differ stay", "岚川天气助手", "mismatch", "\"x'"},
        {"one quote stays", "岚川天气助手", "lonequote", "\""},
        {"first of two keys", "岚川天气助手", "dup", "first"},
        {"first of two sections", "岚川天气助手", "late", "dflt"},
        {"comment is no key", "岚川天气助手", ";hidden", "dflt"},
        {"LF-only lines", "lf", "a", "1"},
        {"last line without a break", "last", "tail", "end"},
        {"missing key", "Other", "nokey", "dflt"},
        {"missing section", "None", "key", "dflt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.section, c.key), c.value) << c.name;
    }
}

TEST_F(Profile, DefaultsAndBuffer) {
    EXPECT_EQ(Read("s", "k", "0"), "0");  // no file
    PutDisk(kPath, "[s]\r\nk=abcdef\r\n");
    EXPECT_EQ(Read("s", "missing", "zz  \t"), "zz");
    EXPECT_EQ(Read("s", "missing", "  zz"), "  zz");
    EXPECT_EQ(Read("s", "k", "", 4), "abc");
    EXPECT_EQ(Read("s", "missing", "abcdef", 4), "abc");
    EXPECT_EQ(Read("s", "k", "", 1), "");
    EXPECT_EQ(ProfileReadString("D:\\", "s", "k", "d", 10), "d");
    EXPECT_EQ(ProfileReadString("bad path", "s", "k", "d", 10), "d");
}

// Trail bytes in the range of ASCII capitals are not folded: 0xB0 0x41 and 0xB0 0x61 differ.
TEST_F(Profile, GbkNamesAreComparedByCharacter) {
    PutDisk(kPath, "[s]\r\n\xb0\x41=capital\r\n\xb0\x61=small\r\n");
    EXPECT_EQ(Read("s", "\xb0\x61"), "small");
    EXPECT_EQ(Read("S", "\xb0\x41"), "capital");
}

TEST_F(Profile, WritingKeepsEveryOtherByte) {
    struct Case {
        const char* name;
        std::string before;
        Text section;
        Text key;
        Text value;
        std::string after;
    };
    const Case cases[] = {
        {"new file", "", "岚川天气助手", "组合框1.现行选中项", "2",
         "[岚川天气助手]\r\n组合框1.现行选中项=2\r\n"},
        {"value replaced in place", "; c\r\n[s]\r\n  K = old \r\nz=1\r\n", "S", "k", "-1",
         "; c\r\n[s]\r\n  K =-1\r\nz=1\r\n"},
        {"new key at the end of its section, before blank lines",
         "[a]\r\nx=1\r\n; note\r\n\r\n[b]\r\ny=2\r\n", "a", "n", "v",
         "[a]\r\nx=1\r\nn=v\r\n; note\r\n\r\n[b]\r\ny=2\r\n"},
        {"new key in an empty section", "[a]\r\n[b]\r\n", "a", "n", "v", "[a]\r\nn=v\r\n[b]\r\n"},
        {"new key after a last line without break", "[a]\r\nx=1", "a", "n", "v",
         "[a]\r\nx=1\r\nn=v\r\n"},
        {"new section at the end", "[a]\r\nx=1\r\n", "b", "n", "v", "[a]\r\nx=1\r\n[b]\r\nn=v\r\n"},
        {"new section after a last line without break", "x", "b", "n", "v", "x\r\n[b]\r\nn=v\r\n"},
        {"LF-only file keeps its lines", "[a]\nx=1\n", "a", "x", "2", "[a]\nx=2\n"},
        {"only the first of two keys", "[a]\r\nk=1\r\nk=2\r\n", "a", "k", "3",
         "[a]\r\nk=3\r\nk=2\r\n"},
        {"empty value", "[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
    };
    for (const Case& c : cases) {
        if (c.before.empty()) {
            fs::remove(PlatformDiskPath(kPath));
        } else {
            PutDisk(kPath, c.before);
        }
        EXPECT_TRUE(ProfileWriteString(kPath, c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(DiskBytes(kPath), c.after) << c.name;
        EXPECT_EQ(Read(c.section, c.key), c.value) << c.name;
    }
}

TEST_F(Profile, RefusedWrites) {
    PutDisk(kPath, "[s]\r\nk=1\r\n");
    struct Case {
        const char* name;
        Text path;
        Text section;
        Text key;
        Text value;
    };
    const Case cases[] = {
        {"missing folder", "D:\\no\\Rederizoza.p", "s", "k", "1"},
        {"missing drive", "Q:\\a.ini", "s", "k", "1"},
        {"folder path", "D:\\", "s", "k", "1"},
        {"empty section", kPath, "", "k", "1"},
        {"empty key", kPath, "s", " ", "1"},
        {"key with equals", kPath, "s", "a=b", "1"},
        {"line break in value", kPath, "s", "k", "1\r\n[evil]\r\nx=1"},
        {"line break in key", kPath, "s", "k\nx", "1"},
        {"line break in section", kPath, "s]\n[t", "k", "1"},
        {"section ending in a GBK first byte, which would take the \"]\"", kPath, "s\x81", "k",
         "1"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ProfileWriteString(c.path, c.section, c.key, c.value)) << c.name;
    }
    EXPECT_EQ(DiskBytes(kPath), "[s]\r\nk=1\r\n");
    EXPECT_FALSE(ExistsOnDisk("D:\\no"));
}

// A reader that looks at the file at any moment sees one whole version, never a cut one.
TEST_F(Profile, ReadersNeverSeeHalfAFile) {
    const Text big(64 * 1024, 'x');
    ASSERT_TRUE(ProfileWriteString(kPath, "s", "k", "a" + big));
    const std::string first = DiskBytes(kPath);
    const std::string second = "[s]\r\nk=b" + big + "\r\n";
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 200; ++i) {
            ProfileWriteString(kPath, "s", "k", (i % 2 == 0 ? "b" : "a") + big);
        }
        done = true;
    });
    int torn = 0;
    int reads = 0;
    while (!done) {
        std::string seen;
        if (ReadDisk(kPath, &seen) && seen != first && seen != second) {
            ++torn;
        }
        ++reads;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Root() / "d")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::set<std::string>{"Rederizoza.p"});  // no temporary file left
}

TEST_F(Profile, WritersOnTwoThreadsKeepEachOthersKeys) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 2; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 60; ++i) {
                ProfileWriteString(kPath, "s", "t" + std::to_string(t) + "-" + std::to_string(i),
                                   std::to_string(i));
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    for (int t = 0; t < 2; ++t) {
        for (int i = 0; i < 60; ++i) {
            EXPECT_EQ(Read("s", "t" + std::to_string(t) + "-" + std::to_string(i)),
                      std::to_string(i));
        }
    }
}

TEST_F(Profile, ReplacedFileKeepsItsPermissions) {
    PutDisk(kPath, "[s]\r\nk=1\r\n");
    fs::permissions(PlatformDiskPath(kPath), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(ProfileWriteString(kPath, "s", "k", "2"));
    EXPECT_EQ(fs::status(PlatformDiskPath(kPath)).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}
