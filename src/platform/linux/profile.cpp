// INI profile files on disk: one value read, or one value written by an atomic file replace.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>

#include "platform/linux/drive_map.h"
#include "platform/linux/ini_format.h"
#include "platform/profile.h"

namespace {

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult ReadWholeFile(const std::string& diskPath, std::string* content, mode_t* mode) {
    content->clear();
    int fd = open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return ReadResult::kFailed;
    }
    *mode = info.st_mode & 07777;
    // One byte more than the file, so the read that meets its end needs no growing copy.
    content->resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    while (true) {
        if (filled == content->size()) {
            content->resize(content->size() + 4096);  // the file may have grown
        }
        ssize_t got = read(fd, content->data() + filled, content->size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            close(fd);
            return ReadResult::kFailed;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    close(fd);
    content->resize(filled);
    return ReadResult::kRead;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A temporary file beside the target, synced and renamed over it: readers and a crash see the
// old file or the new one, never a part.
// A new file gets the usual 0666 less the umask; a replaced one keeps its permissions.
bool ReplaceFile(const std::string& diskPath, const std::string& bytes, bool existed, mode_t mode) {
    static std::atomic<unsigned> serial{0};
    std::size_t slash = diskPath.rfind('/');
    std::string temp = diskPath.substr(0, slash + 1) + ".~ini-" + std::to_string(getpid()) + "-" +
                       std::to_string(serial++);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes) && (!existed || fchmod(fd, mode) == 0) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), diskPath.c_str()) == 0) {
        return true;
    }
    unlink(temp.c_str());
    return false;
}

// Read-modify-write of one file at a time, so that two threads that write different keys of
// the same file keep both.
std::mutex& WriteLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

}  // namespace

Text ProfileReadString(const Text& path, const Text& section, const Text& key,
                       const Text& defaultValue, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return Text();
    }
    std::optional<std::string> value;
    std::optional<std::string> disk = MapOnExistingDrive(path);
    std::string content;
    mode_t mode = 0;
    if (disk && disk->back() != '/' && ReadWholeFile(*disk, &content, &mode) == ReadResult::kRead) {
        value = FindIniValue(content, section, key);
    }
    if (!value) {
        std::string_view fallback(defaultValue);
        while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t')) {
            fallback.remove_suffix(1);
        }
        value = std::string(fallback.substr(0, fallback.find('\0')));
    }
    if (value->size() > bufferSize - 1) {
        value->resize(bufferSize - 1);
    }
    return *value;
}

bool ProfileWriteString(const Text& path, const Text& section, const Text& key, const Text& value) {
    if (!IniNamesWritable(section, key, value)) {
        return false;
    }
    std::optional<std::string> disk = MapOnExistingDrive(path);
    if (!disk || disk->back() == '/') {
        return false;
    }
    std::lock_guard<std::mutex> hold(WriteLock());
    std::string content;
    mode_t mode = 0;
    ReadResult read = ReadWholeFile(*disk, &content, &mode);
    if (read == ReadResult::kFailed) {
        return false;
    }
    return ReplaceFile(*disk, SetIniValue(content, section, key, value), read == ReadResult::kRead,
                       mode);
}
