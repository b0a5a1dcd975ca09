// Create-always file writes, one-level folder creation and file deletion under the drive root.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/linux/drive_map.h"

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t step = write(fd, bytes.data() + written, bytes.size() - written);
        if (step < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<std::size_t>(step);
    }
    return true;
}

namespace {

// A name beside the file that no other writer, thread or process, picks at the same time.
std::string TempName(const std::string& name) {
    static std::atomic<unsigned> counter{0};
    return ".~" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

// Whole file or no change: the bytes go to a new file beside the old one, which is renamed over
// it only when every byte is written and closed. A full disk or a failed write therefore leaves
// the older file as it was (or none), never a part; the new file is removed. Two writers at
// once each replace the file whole, so the rename also does what "no sharing" was for. A link
// at the name is written through only to a target inside the drive root (the rename replaces
// the target, not the link); one that leads out is refused, like a link on the way.
bool PlatformCreateFileAlways(const Text& path, const Bytes& bytes) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk || disk->back() == '/') {
        return false;
    }
    std::optional<RootedPlace> place = ResolveInRoot(*disk, true);
    if (!place || place->folder.get() < 0) {
        return false;
    }
    const int folder = place->folder.get();
    mode_t mode = 0666;
    struct stat info;
    if (fstatat(folder, place->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        // Windows refuses to replace a folder, a device or a read-only file.
        if (!S_ISREG(info.st_mode) ||
            faccessat(folder, place->name.c_str(), W_OK, AT_EACCESS) != 0) {
            return false;
        }
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }
    const std::string temp = TempName(place->name);
    int fd =
        openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        return false;
    }
    bool whole = WriteAll(fd, bytes);
    // The umask took its bits at creation; an existing file keeps its own.
    whole = fchmod(fd, mode) == 0 && whole;
    whole = close(fd) == 0 && whole;
    whole = whole && renameat(folder, temp.c_str(), folder, place->name.c_str()) == 0;
    if (!whole) {
        unlinkat(folder, temp.c_str(), 0);
    }
    return whole;
}

bool PlatformCreateDirectory(const Text& path) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk) {
        return false;
    }
    std::optional<RootedPlace> place = ResolveInRoot(*disk, false);
    return place && place->folder.get() >= 0 &&
           mkdirat(place->folder.get(), place->name.c_str(), 0777) == 0;
}

// A link at the name is deleted itself, as Windows deletes a link and not its target.
bool PlatformDeleteFile(const Text& path) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk || disk->back() == '/') {
        return false;
    }
    std::optional<RootedPlace> place = ResolveInRoot(*disk, false);
    if (!place || place->folder.get() < 0) {
        return false;
    }
    struct stat info;
    if (fstatat(place->folder.get(), place->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(info.st_mode)) {
        return false;
    }
    return unlinkat(place->folder.get(), place->name.c_str(), 0) == 0;
}

std::string PlatformDiskPath(const Text& path) {
    return MapWindowsPath(path).value_or(std::string());
}
