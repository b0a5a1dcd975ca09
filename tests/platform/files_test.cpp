// Create-always writes: whole files or none, and no open that a link leads out of the drive root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fresh_drive_root.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

using Files = FreshDriveRoot;

// Names in a folder that a writer left behind beside its file.
std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".~", 0) == 0) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Links that lead out of the drive root, each placed where a write of D:\Varnel\tmp.htm or
// a folder made under D:\Varnel passes.
TEST_F(Files, LinksOutOfTheRootAreNeverFollowed) {
    const fs::path outside = fs::path(scratch_) / "outside";
    struct Case {
        const char* name;
        fs::path link;     // relative to the root
        fs::path target;   // absolute, or relative to the link's folder
        bool folderLinks;  // D:\Varnel itself leads out
    };
    const Case cases[] = {
        {"file name links out", "d/Varnel/tmp.htm", outside / "target.htm", false},
        {"relative link climbs out", "d/Varnel/tmp.htm", "../../../outside/target.htm", false},
        {"folder on the way links out", "d/Varnel", outside, true},
        {"drive folder links out", "d", outside, true},
        {"link to the root's parent", "d/Varnel", "../..", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(outside);
        fs::create_directories(outside);
        { std::ofstream(outside / "target.htm") << "keep"; }
        { std::ofstream(outside / "tmp.htm") << "keep"; }
        fs::remove_all(Root() / "d");
        fs::create_directories(Root() / "d" / "Varnel");
        fs::remove_all(Root() / c.link);
        fs::create_symlink(c.target, Root() / c.link);

        EXPECT_FALSE(PlatformCreateFileAlways("D:\\Varnel\\tmp.htm", "written"));
        EXPECT_EQ(PlatformCreateDirectory("D:\\Varnel\\image"), !c.folderLinks);
        EXPECT_EQ(FileBytes(outside / "target.htm"), "keep");
        EXPECT_EQ(FileBytes(outside / "tmp.htm"), "keep");
        EXPECT_FALSE(fs::exists(outside / "image"));
        EXPECT_FALSE(fs::exists(fs::path(scratch_) / "image"));
        EXPECT_TRUE(Leftovers(outside).empty());
    }
}

TEST_F(Files, LinksInsideTheRootAreWrittenThroughAndDeletedThemselves) {
    ASSERT_TRUE(PlatformCreateDirectory("D:\\Varnel"));
    ASSERT_TRUE(PlatformCreateDirectory("C:\\real"));
    const fs::path varnel = Root() / "d" / "Varnel";
    fs::create_symlink(Root() / "c" / "real" / "page.htm", varnel / "absolute.htm");
    fs::create_symlink("../../c/real/other.htm", varnel / "relative.htm");
    fs::create_symlink(Root() / "c" / "real", Root() / "d" / "linked");

    EXPECT_TRUE(PlatformCreateFileAlways("D:\\Varnel\\absolute.htm", "one"));
    EXPECT_TRUE(PlatformCreateFileAlways("D:\\Varnel\\relative.htm", "two"));
    EXPECT_TRUE(PlatformCreateFileAlways("D:\\linked\\third.htm", "three"));
    EXPECT_EQ(FileBytes(Root() / "c" / "real" / "page.htm"), "one");
    EXPECT_EQ(FileBytes(Root() / "c" / "real" / "other.htm"), "two");
    EXPECT_EQ(FileBytes(Root() / "c" / "real" / "third.htm"), "three");
    EXPECT_TRUE(fs::is_symlink(varnel / "absolute.htm"));
    EXPECT_TRUE(fs::is_symlink(varnel / "relative.htm"));

    EXPECT_TRUE(PlatformDeleteFile("D:\\Varnel\\absolute.htm"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(varnel / "absolute.htm")));
    EXPECT_EQ(FileBytes(Root() / "c" / "real" / "page.htm"), "one");
}

// Runs tests of this binary in a process of its own, started by a shell command prefix (a file
// size limit, another user), and expects them to pass there.
void RunInner(const std::string& prefix, const std::string& filter, const std::string& scratch,
              std::string self = fs::read_symlink("/proc/self/exe")) {
    const std::string log = scratch + "/inner.log";
    const std::string command = prefix + " env LANCHUAN_INNER_TEST=1 TMPDIR=/tmp '" + self +
                                "' --gtest_filter='" + filter + "' >'" + log + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << FileBytes(log);
    EXPECT_NE(FileBytes(log).find("[  PASSED  ] 1 test"), std::string::npos) << FileBytes(log);
}

bool InnerRun() {
    return std::getenv("LANCHUAN_INNER_TEST") != nullptr;
}

// Writes that fail part-way, made real by a file size limit (the shell ignores the signal the
// limit sends, and the ignoring goes on through exec).
TEST_F(Files, WriteThatFailsPartWayKeepsTheOlderFile) {
    RunInner("trap '' XFSZ; ulimit -f 16;", "Inner.WriteBeyondTheFileSizeLimit", scratch_);
}

// Windows refuses to replace a read-only file; root would not be refused, so another user runs it.
TEST_F(Files, ReadOnlyFileIsKept) {
    if (std::system("[ \"$(id -u)\" = 0 ] && command -v setpriv >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    }
    // The build folder may be closed to other users: they run a copy from a folder open to all.
    char folderName[] = "/tmp/lanchuan-inner-XXXXXX";
    ASSERT_NE(mkdtemp(folderName), nullptr);
    const fs::path folder = folderName;
    const fs::path copy = folder / "test-binary";
    fs::copy_file("/proc/self/exe", copy);
    const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder, open);
    fs::permissions(copy, open);
    RunInner("setpriv --reuid=65534 --regid=65534 --clear-groups", "Inner.ReadOnlyFile", scratch_,
             copy);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

class Inner : public FreshDriveRoot {
  protected:
    void SetUp() override {
        if (!InnerRun()) {
            GTEST_SKIP() << "runs inside a test of Files";
        }
        FreshDriveRoot::SetUp();
    }
};

TEST_F(Inner, WriteBeyondTheFileSizeLimit) {
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\city.dat", "older whole file"));
    // ulimit -f 16 is 8 KiB: these stop after 8 KiB.
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\city.dat", std::string(64 * 1024, 'x')));
    EXPECT_EQ(DiskBytes("D:\\city.dat"), "older whole file");
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\new.dat", std::string(64 * 1024, 'y')));
    EXPECT_FALSE(ExistsOnDisk("D:\\new.dat"));
    EXPECT_TRUE(Leftovers(Root() / "d").empty());
}

TEST_F(Inner, ReadOnlyFile) {
    ASSERT_TRUE(PlatformCreateFileAlways("D:\\ro.txt", "old"));
    fs::permissions(Root() / "d" / "ro.txt", fs::perms::owner_read);
    EXPECT_FALSE(PlatformCreateFileAlways("D:\\ro.txt", "new"));
    EXPECT_EQ(DiskBytes("D:\\ro.txt"), "old");
    EXPECT_TRUE(Leftovers(Root() / "d").empty());
}

}  // namespace
