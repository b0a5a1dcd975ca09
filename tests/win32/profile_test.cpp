// The Windows profile layer: values read and written through the private-profile calls, the
// writes that are refused before anything is written, and the read cap on a character boundary.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/profile.h"
#include "win32_test_files.h"

namespace {

using Win32Profile = ScratchDriveD;

const std::string kPath = "D:\\Rederizoza.p";
const std::string kSection = "\xe1\xb0\xb4\xa8\xcc\xec\xc6\xf8\xd6\xfa\xca\xd6";  // 岚川天气助手
const std::string kKey = "\xce\xbb\xd6\xc3";                                      // 位置
const std::string kChar = "\xb0\xa1";                                             // 啊

TEST_F(Win32Profile, WrittenValuesReadBack) {
    EXPECT_TRUE(ProfileWriteString(kPath, kSection, kKey, "2"));
    EXPECT_TRUE(ProfileWriteString(kPath, kSection, "x", kChar + kChar));
    EXPECT_TRUE(ProfileWriteString(kPath, "Other", kKey, "7"));
    EXPECT_TRUE(ProfileWriteString(kPath, kSection, kKey, "3"));
    EXPECT_EQ(ProfileReadString(kPath, kSection, kKey, "", 256), "3");
    EXPECT_EQ(ProfileReadString(kPath, kSection, "X", "", 256), kChar + kChar);
    EXPECT_EQ(ProfileReadString(kPath, "other", kKey, "", 256), "7");
    EXPECT_EQ(ProfileReadString(kPath, kSection, "missing", "dflt  ", 256), "dflt");
    EXPECT_EQ(ProfileReadString("D:\\missing.ini", kSection, kKey, "-1", 256), "-1");
    // The bytes are GBK as given, with no byte order mark.
    const std::string bytes = Bytes_(kPath);
    EXPECT_EQ(bytes.rfind("[" + kSection + "]", 0), 0u) << bytes;
}

TEST_F(Win32Profile, WritesThatCouldNotReadBackAreRefused) {
    const struct {
        const char* what;
        std::string path, section, key, value;
    } cases[] = {
        {"empty section", kPath, "", kKey, "1"},
        {"blank section", kPath, "  ", kKey, "1"},
        {"empty key", kPath, kSection, "", "1"},
        {"key with =", kPath, kSection, "a=b", "1"},
        {"key like a section", kPath, kSection, "[a", "1"},
        {"key like a comment", kPath, kSection, ";a", "1"},
        {"line break in the section", kPath, "a\nb", kKey, "1"},
        {"line break in the key", kPath, kSection, "a\rb", "1"},
        {"line break in the value", kPath, kSection, kKey, "1\r\n[x]"},
        {"section ending in a lead byte", kPath, "a\xb0", kKey, "1"},
        {"relative path", "relative.ini", kSection, kKey, "1"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ProfileWriteString(c.path, c.section, c.key, c.value)) << c.what;
        EXPECT_FALSE(Exists(c.path)) << c.what;
    }
}

TEST_F(Win32Profile, ReadOnlyFileIsNotWritten) {
    const std::string before = "[" + kSection + "]\r\n" + kKey + "=1\r\n";
    ASSERT_TRUE(PutBytes(kPath, before));
    ASSERT_TRUE(SetFileAttributesA(kPath.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ProfileWriteString(kPath, kSection, kKey, "2"));
    SetFileAttributesA(kPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Bytes_(kPath), before);
}

// A value longer than the buffer comes back cut to at most bufferSize - 1 bytes, never between
// the two bytes of a character, whether the cut falls on a character's first or second byte.
TEST_F(Win32Profile, LongValueIsCutOnACharacterBoundary) {
    std::string chars;
    for (int i = 0; i < 6000; ++i) {
        chars += kChar;
    }
    const struct {
        const char* what;
        std::string value;
        std::size_t expected;
    } cases[] = {
        {"cut after a whole character", "a" + chars, 10239},
        {"cut inside a character", "ab" + chars, 10238},
        {"short value whole", "a" + kChar, 3},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ProfileWriteString(kPath, kSection, kKey, c.value)) << c.what;
        const Text read = ProfileReadString(kPath, kSection, kKey, "", 10240);
        EXPECT_EQ(read.size(), c.expected) << c.what;
        EXPECT_EQ(read, c.value.substr(0, c.expected)) << c.what;
    }
}

}  // namespace
