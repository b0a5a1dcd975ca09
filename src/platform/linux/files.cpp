// Create-always file writes, one-level folder creation and file deletion under the drive root.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/linux/drive_map.h"

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

// Opened without truncation first: the exclusive lock stands in for Windows' "no sharing", so a
// second writer of the same file fails instead of cutting the first one's data.
bool PlatformCreateFileAlways(const Text& path, const Bytes& bytes) {
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk || disk->back() == '/') {
        return false;
    }
    int fd = open(disk->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0) {
        close(fd);
        return false;
    }
    bool written = WriteAll(fd, bytes.data(), bytes.size());
    bool closed = close(fd) == 0;
    return written && closed;
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
