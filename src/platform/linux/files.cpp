// Create-always file writes, one-level folder creation and file deletion under the drive root.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/linux/drive_map.h"

namespace {

bool WriteAll(int fd, const char* data, std::size_t size, std::size_t* written) {
    *written = 0;
    while (*written < size) {
        ssize_t step = write(fd, data + *written, size - *written);
        if (step < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        *written += static_cast<std::size_t>(step);
    }
    return true;
}

}  // namespace

// Opened without truncation: the exclusive lock stands in for Windows' "no sharing", so a second
// writer of the same file fails instead of cutting the first one's data. The file is cut to what
// was written afterwards, not to 0 before: ext4 flushes a file that was truncated to 0 when it is
// closed, which cost a quarter of a millisecond on every query's local page.
bool PlatformCreateFileAlways(const Text& path, const Bytes& bytes) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk || disk->back() == '/') {
        return false;
    }
    int fd = open(disk->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    std::size_t written = 0;
    bool complete = WriteAll(fd, bytes.data(), bytes.size(), &written);
    // What was written stays, and nothing of the old content behind it.
    bool cut = ftruncate(fd, static_cast<off_t>(written)) == 0;
    bool closed = close(fd) == 0;
    return complete && cut && closed;
}

bool PlatformCreateDirectory(const Text& path) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    return disk && mkdir(disk->c_str(), 0777) == 0;
}

bool PlatformDeleteFile(const Text& path) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk || disk->back() == '/') {
        return false;
    }
    struct stat info;
    if (lstat(disk->c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    return unlink(disk->c_str()) == 0;
}

std::string PlatformDiskPath(const Text& path) {
    return MapWindowsPath(path).value_or(std::string());
}
