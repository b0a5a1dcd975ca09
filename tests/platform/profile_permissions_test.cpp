// Settings writes and the file system: read-only files (as an unprivileged user), links in and
// out of the drive root, and temporary files left by writers that were killed.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fresh_drive_root.h"
#include "platform/drives_testing.h"
#include "text/text.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char kAsUserVariable[] = "LANCHUAN_PROFILE_AS_USER";
const std::string kSettings = "[s]\r\nk=1\r\n";

// A started process, killed and reaped however the test ends.
struct Child {
    pid_t pid = -1;
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // The exit status, or -1 when it did not exit normally.
    int Wait() {
        int status = 0;
        pid_t done = waitpid(pid, &status, 0);
        pid = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// What the unprivileged process does; the parent prepared the files. A file of another user
// that this user may not write stays as it is although the folder would allow a rename over it.
void WritesAsUnprivilegedUser() {
    EXPECT_FALSE(IniWrite("D:\\readonly.ini", "s", "k", "2"));
    EXPECT_EQ(IniRead("D:\\readonly.ini", "s", "k", "dflt"), "1");
    EXPECT_FALSE(IniWrite("D:\\theirs.ini", "s", "k", "2"));
    EXPECT_EQ(IniRead("D:\\theirs.ini", "s", "k", "dflt"), "1");
    // The same user can write in that folder: the refusals above are about the files.
    EXPECT_TRUE(IniWrite("D:\\mine.ini", "s", "k", "2"));
    EXPECT_EQ(IniRead("D:\\mine.ini", "s", "k", "dflt"), "2");
}

}  // namespace

using SettingsFiles = FreshDriveRoot;

TEST(SettingsPermissions, ReadOnlyFileKeepsItsValue) {
    if (std::getenv(kAsUserVariable) != nullptr) {
        WritesAsUnprivilegedUser();
        return;
    }
    const std::string scratch = PlatformUseFreshDriveRoot();
    ASSERT_FALSE(scratch.empty());
    struct Cleanup {
        std::string folder;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } cleanup{scratch};
    const fs::path readOnly = PlatformDiskPath("D:\\readonly.ini");
    const fs::path theirs = PlatformDiskPath("D:\\theirs.ini");
    for (const fs::path& file : {readOnly, theirs}) {
        std::ofstream(file, std::ios::binary) << kSettings;
    }
    fs::permissions(readOnly,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    if (geteuid() != 0) {
        // Already unprivileged: the file of another user cannot be made, the read-only one can.
        EXPECT_FALSE(IniWrite("D:\\readonly.ini", "s", "k", "2"));
        EXPECT_EQ(IniRead("D:\\readonly.ini", "s", "k", "dflt"), "1");
        EXPECT_TRUE(IniWrite("D:\\mine.ini", "s", "k", "2"));
        return;
    }
    // Root may write any file, so the writes run again as nobody: readonly.ini is nobody's and
    // 0444, theirs.ini stays root's 0644, and the folder is nobody's.
    const std::string binary = scratch + "/test-binary";
    fs::copy_file("/proc/self/exe", binary);
    fs::permissions(binary, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    for (const fs::path& folder : {fs::path(scratch), fs::path(PlatformDriveRoot())}) {
        fs::permissions(folder, fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
    }
    const std::string nobody = "65534";
    ASSERT_EQ(chown(PlatformDiskPath("D:\\").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(readOnly.c_str(), 65534, 65534), 0);

    std::vector<std::string> arguments = {
        "setpriv",
        "--reuid=" + nobody,
        "--regid=" + nobody,
        "--clear-groups",
        binary,
        "--gtest_filter=SettingsPermissions.ReadOnlyFileKeepsItsValue"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    setenv(kAsUserVariable, "1", 1);
    Child child;
    int spawned = posix_spawnp(&child.pid, "setpriv", nullptr, nullptr, argv.data(), environ);
    unsetenv(kAsUserVariable);
    if (spawned != 0) {
        child.pid = -1;
        GTEST_SKIP() << "running as root and cannot drop privileges: setpriv could not be started";
    }
    int status = child.Wait();
    if (status == 127) {
        GTEST_SKIP() << "running as root and cannot drop privileges: setpriv failed to start";
    }
    EXPECT_EQ(status, 0) << "the writes as nobody failed; their output is above";
    EXPECT_EQ(FileBytes(readOnly), kSettings);
    EXPECT_EQ(FileBytes(theirs), kSettings);
    EXPECT_EQ(FileBytes(PlatformDiskPath("D:\\mine.ini")), "[s]\r\nk=2\r\n");
}

// Also for root: a file without any write bit carries Windows' read-only flag.
TEST_F(SettingsFiles, NoWriteBitIsReadOnlyForEveryone) {
    PutDisk("D:\\a.ini", kSettings);
    fs::permissions(PlatformDiskPath("D:\\a.ini"), fs::perms::owner_read);
    EXPECT_FALSE(IniWrite("D:\\a.ini", "s", "k", "2"));
    EXPECT_EQ(DiskBytes("D:\\a.ini"), kSettings);
}

// A settings file that is a link is written through when its target lies on the drives, and
// refused (target untouched, link kept) when the target or a folder on the way lies outside.
TEST_F(SettingsFiles, LinksAreFollowedOnlyInsideTheDriveRoot) {
    const fs::path drives = Root();
    const fs::path outside = fs::path(scratch_) / "outside";
    fs::create_directories(outside / "folder");
    fs::create_directories(drives / "c" / "shared");
    fs::create_directories(drives / "d" / "sub");
    struct Case {
        const char* name;
        Text path;        // the settings file as the program names it
        fs::path link;    // a link made at this place ...
        fs::path linkTo;  // ... pointing here
        fs::path target;  // where the bytes really are
        bool targetExists;
        bool written;
    };
    const fs::path shared = drives / "c" / "shared";
    const Case cases[] = {
        {"to another drive", "D:\\other.ini", drives / "d" / "other.ini", shared / "other.ini",
         shared / "other.ini", true, true},
        {"relative, inside the drive", "D:\\rel.ini", drives / "d" / "rel.ini", "sub/rel.ini",
         drives / "d" / "sub" / "rel.ini", true, true},
        {"a chain of two links", "D:\\chain.ini", drives / "d" / "chain.ini", "other.ini",
         shared / "other.ini", true, true},
        {"to a file that does not exist yet", "D:\\new.ini", drives / "d" / "new.ini",
         shared / "new.ini", shared / "new.ini", false, true},
        {"out of the drive root", "D:\\out.ini", drives / "d" / "out.ini", outside / "out.ini",
         outside / "out.ini", true, false},
        {"up and out by a relative link", "D:\\up.ini", drives / "d" / "up.ini",
         "../../outside/up.ini", outside / "up.ini", true, false},
        {"a folder on the way leads out", "D:\\away\\a.ini", drives / "d" / "away",
         outside / "folder", outside / "folder" / "a.ini", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.targetExists) {
            std::ofstream(c.target, std::ios::binary) << kSettings;
        }
        fs::create_symlink(c.linkTo, c.link);
        EXPECT_EQ(IniWrite(c.path, "s", "k", "2"), c.written);
        EXPECT_EQ(FileBytes(c.target), c.written ? "[s]\r\nk=2\r\n" : kSettings);
        EXPECT_TRUE(fs::is_symlink(c.link));
        // Reading is confined the same way.
        EXPECT_EQ(IniRead(c.path, "s", "k", "dflt"), c.written ? "2" : "dflt");
    }
}

// A writer killed half-way leaves ".~ini-PID-N" behind; the next write in that folder removes
// the ones of processes that are gone and keeps those of live writers.
TEST_F(SettingsFiles, NextWriteRemovesTempFilesOfDeadWriters) {
    pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const fs::path folder = Root() / "d";
    fs::create_directories(folder);
    const std::string dead = ".~ini-" + std::to_string(gone) + "-0";
    const std::string live = ".~ini-1-0";  // pid 1 lives as long as the machine
    const std::string unrelated = ".~ini-notes";
    for (const std::string& name : {dead, live, unrelated}) {
        std::ofstream(folder / name) << std::string(4096, 'x');
        ASSERT_TRUE(fs::exists(folder / name));
    }
    ASSERT_TRUE(IniWrite("D:\\s.ini", "s", "k", "1"));
    EXPECT_EQ(Names(folder), (std::set<std::string>{"s.ini", live, unrelated}));
}
