// The Windows files layer: whole-or-nothing create-always writes, one-level folders, deletion,
// and which paths count as drive paths.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/files.h"
#include "win32_test_files.h"

namespace {

using Win32Files = ScratchDriveD;

// "用户注意.txt" in GBK.
const std::string kGbkName = "D:\\\xd3\xc3\xbb\xa7\xd7\xa2\xd2\xe2.txt";

struct WriteCase {
    const char* what;
    std::string before;  // existing bytes; "<none>" for no file, "<folder>" for a folder
    bool readOnly;
    std::string path;
    std::string bytes;
    bool written;
};

TEST_F(Win32Files, CreateFileAlwaysWritesWholeOrNothing) {
    const WriteCase cases[] = {
        {"new file with a GBK name", "<none>", false, kGbkName, "new\r\n", true},
        {"longer file cut to the new bytes", std::string(5000, 'x'), false, "D:\\a.txt", "short",
         true},
        {"empty bytes make an empty file", "old", false, "D:\\a.txt", "", true},
        {"bytes with zeros", "<none>", false, "D:\\z.bin", std::string("a\0b\0", 4), true},
        {"read-only file is kept", "keep me", true, "D:\\ro.txt", "other", false},
        {"folder is not replaced", "<folder>", false, "D:\\dir", "x", false},
        {"missing folder is not made", "<none>", false, "D:\\missing\\a.txt", "x", false},
        {"relative path", "<none>", false, "relative.txt", "x", false},
        {"path ending in a backslash", "<none>", false, "D:\\a.txt\\", "x", false},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.what);
        PlatformUseFreshDriveRoot();
        if (c.before == "<folder>") {
            ASSERT_TRUE(CreateDirectoryA(c.path.c_str(), nullptr));
        } else if (c.before != "<none>") {
            ASSERT_TRUE(PutBytes(c.path, c.before));
            if (c.readOnly) {
                ASSERT_TRUE(SetFileAttributesA(c.path.c_str(), FILE_ATTRIBUTE_READONLY));
            }
        }
        EXPECT_EQ(PlatformCreateFileAlways(c.path, c.bytes), c.written);
        if (c.written) {
            EXPECT_EQ(Bytes_(c.path), c.bytes);
        } else if (c.before != "<none>" && c.before != "<folder>") {
            EXPECT_EQ(Bytes_(c.path), c.before);
        }
        // No temporary file stays behind, whatever happened.
        for (const std::string& name : Names("D:\\")) {
            EXPECT_NE(name.rfind(".~", 0), 0u) << name;
        }
        if (c.readOnly) {
            SetFileAttributesA(c.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    EXPECT_FALSE(Exists("relative.txt"));
}

TEST_F(Win32Files, ManyWritersEachLeaveAWholeFile) {
    constexpr int kWriters = 8;
    struct Writer {
        std::string bytes;
        bool ok = false;
    };
    Writer writers[kWriters];
    HANDLE threads[kWriters];
    for (int i = 0; i < kWriters; ++i) {
        writers[i].bytes = std::string(100000 + i, static_cast<char>('a' + i));
        threads[i] = CreateThread(
            nullptr, 0,
            [](void* argument) -> DWORD {
                auto* writer = static_cast<Writer*>(argument);
                writer->ok = PlatformCreateFileAlways("D:\\shared.txt", writer->bytes);
                return 0;
            },
            &writers[i], 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    WaitForMultipleObjects(kWriters, threads, TRUE, INFINITE);
    bool anyWritten = false;
    for (HANDLE thread : threads) {
        CloseHandle(thread);
    }
    const std::string result = Bytes_("D:\\shared.txt");
    bool whole = false;
    for (const Writer& writer : writers) {
        anyWritten = anyWritten || writer.ok;
        whole = whole || result == writer.bytes;
    }
    EXPECT_TRUE(anyWritten);
    EXPECT_TRUE(whole) << "the file is a mix of writers, " << result.size() << " bytes";
    EXPECT_EQ(Names("D:\\"), std::vector<std::string>{"shared.txt"});
}

TEST_F(Win32Files, CreateDirectoryMakesOneLevel) {
    EXPECT_TRUE(PlatformCreateDirectory("D:\\Varnel"));
    EXPECT_FALSE(PlatformCreateDirectory("D:\\Varnel"));  // exists already
    EXPECT_FALSE(PlatformCreateDirectory("D:\\missing\\below"));
    EXPECT_TRUE(PlatformCreateDirectory("D:\\Varnel\\\xe1\xb0\xb4\xa8"));  // 岚川
    EXPECT_EQ(Names("D:\\Varnel\\"), std::vector<std::string>{"\xe1\xb0\xb4\xa8"});
    EXPECT_FALSE(PlatformCreateDirectory("relative"));
}

TEST_F(Win32Files, DeleteFileDeletesFilesOnly) {
    ASSERT_TRUE(PutBytes(kGbkName, "x"));
    ASSERT_TRUE(CreateDirectoryA("D:\\dir", nullptr));
    EXPECT_TRUE(PlatformDeleteFile(kGbkName));
    EXPECT_FALSE(Exists(kGbkName));
    EXPECT_FALSE(PlatformDeleteFile(kGbkName));
    EXPECT_FALSE(PlatformDeleteFile("D:\\dir"));
    EXPECT_TRUE(Exists("D:\\dir"));
}

TEST(Win32DiskPath, IsThePathItselfForDrivePathsOnly) {
    const struct {
        const char* what;
        std::string path;
        bool kept;
    } cases[] = {
        {"drive path", "D:\\Varnel\\a.txt", true},
        {"GBK name", kGbkName, true},
        {"trail byte that is a backslash", "D:\\\x81\x5c.txt", true},
        {"trail byte that is a bar", "D:\\\x81\x7c.txt", true},
        {"drive root", "C:\\", true},
        {"relative", "Varnel\\a.txt", false},
        {"drive without backslash", "D:a.txt", false},
        {"lone lead byte", "D:\\a\x81", false},
        {"bar", "D:\\a|b", false},
        {"question mark", "D:\\a?", false},
        {"colon in a name", "D:\\a:b", false},
        {"control character", "D:\\a\tb", false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlatformDiskPath(c.path), c.kept ? c.path : std::string()) << c.what;
    }
}

}  // namespace
