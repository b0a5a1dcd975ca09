// INI profile files on disk: one value read, or one value written by an atomic file replace.
//
// Byte order marks: a file is GBK unless it starts with one. After a UTF-8 mark the file is read
// as UTF-8 and after a UTF-16 mark (LE or BE) as UTF-16, as Windows reads such files: names are
// matched and values returned in GBK ("?" for a character GBK lacks). A write edits the file in
// its own encoding and keeps its mark, so the file stays one encoding; a marked file that is not
// valid in that encoding is read as far as it goes but never written (the write returns false).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/linux/charset.h"
#include "platform/linux/drive_map.h"
#include "platform/linux/ini_format.h"
#include "platform/profile.h"

namespace {

constexpr char kTempPrefix[] = ".~ini-";

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int value) : fd(value) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult ReadWholeFile(const RootedPlace& place, std::string* content, struct stat* info) {
    content->clear();
    Fd file(openat(place.folder.get(), place.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (file.fd < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    if (fstat(file.fd, info) != 0 || !S_ISREG(info->st_mode)) {
        return ReadResult::kFailed;
    }
    // One byte more than the file, so the read that meets its end needs no growing copy.
    content->resize(static_cast<std::size_t>(info->st_size) + 1);
    std::size_t filled = 0;
    while (true) {
        if (filled == content->size()) {
            content->resize(content->size() + 4096);  // the file may have grown
        }
        ssize_t got = read(file.fd, content->data() + filled, content->size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return ReadResult::kFailed;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    content->resize(filled);
    return ReadResult::kRead;
}

// A file's bytes as the INI format edits them: GBK as it is, UTF-8 after its mark, UTF-16 turned
// into UTF-8 (and back on writing).
struct Decoded {
    std::string_view mark;
    const char* encoding = nullptr;  // of the file's body after the mark; nullptr for GBK
    bool valid = true;               // the body is valid in that encoding
    std::string_view text;           // GBK or UTF-8: into the content or into utf8
    std::string utf8;
    IniCharset charset = IniCharset::kGbk;
};

// The text views into content (or into the record's own utf8), which must outlive it.
void Decode(const std::string& content, Decoded* out) {
    Decoded& decoded = *out;
    decoded.text = content;
    static constexpr std::string_view kMarks[][2] = {
        {"\xEF\xBB\xBF", "UTF-8"}, {"\xFF\xFE", "UTF-16LE"}, {"\xFE\xFF", "UTF-16BE"}};
    for (const auto& [mark, encoding] : kMarks) {
        if (std::string_view(content).substr(0, mark.size()) == mark) {
            decoded.mark = mark;
            decoded.encoding = encoding.data();
            break;
        }
    }
    if (decoded.encoding == nullptr) {
        return;
    }
    std::string_view body = std::string_view(content).substr(decoded.mark.size());
    std::optional<std::string> utf8 = ConvertText(body, "UTF-8", decoded.encoding);
    decoded.valid = utf8.has_value();
    if (utf8) {
        decoded.utf8 = std::move(*utf8);
        decoded.text = decoded.utf8;
        decoded.charset = IniCharset::kUtf8;
    } else if (decoded.mark.size() == 3) {
        decoded.text = body;  // a mark before bytes of another encoding: read them, never write
    }
}

// The temporary file of a writer that was killed half-way stays behind; a later write in that
// folder removes it. Every write of this process holds WriteLock, so a temporary file named
// with our own process id is also stale. A live process of another user counts as alive.
void RemoveStaleTempFiles(const RootedPlace& place) {
    Fd listing(openat(place.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* folder = listing.fd < 0 ? nullptr : fdopendir(listing.fd);
    if (folder == nullptr) {
        return;
    }
    listing.fd = -1;  // closedir closes it
    while (const dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, kTempPrefix, sizeof kTempPrefix - 1) != 0) {
            continue;
        }
        char* end = nullptr;
        long pid = std::strtol(name + sizeof kTempPrefix - 1, &end, 10);
        if (pid <= 0 || *end != '-' || end[1] < '0' || end[1] > '9') {
            continue;
        }
        bool dead = pid == getpid() || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
        if (dead) {
            unlinkat(dirfd(folder), name, 0);
        }
    }
    closedir(folder);
}

// A temporary file beside the target, synced and renamed over it: readers and a crash see the
// old file or the new one, never a part.
// A new file gets the usual 0666 less the umask; a replaced one keeps its permissions.
bool ReplaceFile(const RootedPlace& place, const std::string& bytes, bool existed, mode_t mode) {
    static std::atomic<unsigned> serial{0};
    std::string temp = kTempPrefix + std::to_string(getpid()) + "-" + std::to_string(serial++);
    Fd file(openat(place.folder.get(), temp.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0) {
        return false;
    }
    bool ok =
        WriteAll(file.fd, bytes) && (!existed || fchmod(file.fd, mode) == 0) && fsync(file.fd) == 0;
    ok = close(file.fd) == 0 && ok;
    file.fd = -1;
    if (ok &&
        renameat(place.folder.get(), temp.c_str(), place.folder.get(), place.name.c_str()) == 0) {
        return true;
    }
    unlinkat(place.folder.get(), temp.c_str(), 0);
    return false;
}

// Read-modify-write of one file at a time, so that two threads that write different keys of
// the same file keep both.
std::mutex& WriteLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

// Windows refuses to write a read-only file. Its read-only flag is no write bit at all here;
// a file this user may not write is refused as well, even though the folder would let a rename
// replace it.
bool MayWrite(const RootedPlace& place, const struct stat& info) {
    return (info.st_mode & 0222) != 0 &&
           faccessat(place.folder.get(), place.name.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

Text ProfileReadString(const Text& path, const Text& section, const Text& key,
                       const Text& defaultValue, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return Text();
    }
    std::optional<std::string> value;
    std::optional<std::string> disk = MapOnExistingDrive(path);
    // A settings file that is a link is read and written through to its target, as long as the
    // target lies inside the drive root.
    std::optional<RootedPlace> place;
    std::string content;
    struct stat info {};
    if (disk && disk->back() != '/' && (place = ResolveInRoot(*disk, true)) &&
        ReadWholeFile(*place, &content, &info) == ReadResult::kRead) {
        Decoded file;
        Decode(content, &file);
        if (file.charset == IniCharset::kGbk) {
            value = FindIniValue(file.text, section, key);
        } else {
            std::optional<std::string> section8 = GbkPathToUtf8(section);
            std::optional<std::string> key8 = GbkPathToUtf8(key);
            if (section8 && key8) {
                value = FindIniValue(file.text, *section8, *key8, IniCharset::kUtf8);
            }
            if (value) {
                value = ConvertText(*value, "GBK", "UTF-8", true);
            }
        }
    }
    if (!value) {
        std::string_view fallback(defaultValue);
        while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t')) {
            fallback.remove_suffix(1);
        }
        value = std::string(fallback.substr(0, fallback.find('\0')));
    }
    value->resize(GbkCutLength(*value, bufferSize - 1));
    return *value;
}

bool ProfileWriteString(const Text& path, const Text& section, const Text& key, const Text& value) {
    if (!IniNamesWritable(section, key, value)) {
        return false;
    }
    std::optional<std::string> disk = MapOnExistingDrive(path);
    std::optional<RootedPlace> place;
    if (!disk || disk->back() == '/' || !(place = ResolveInRoot(*disk, true))) {
        return false;
    }
    std::lock_guard<std::mutex> hold(WriteLock());
    RemoveStaleTempFiles(*place);
    std::string content;
    struct stat info {};
    ReadResult read = ReadWholeFile(*place, &content, &info);
    if (read == ReadResult::kFailed || (read == ReadResult::kRead && !MayWrite(*place, info))) {
        return false;
    }
    Decoded file;
    Decode(content, &file);
    if (!file.valid) {
        return false;
    }
    std::string edited;
    if (file.charset == IniCharset::kGbk) {
        edited = SetIniValue(file.text, section, key, value);
    } else {
        std::optional<std::string> section8 = GbkPathToUtf8(section);
        std::optional<std::string> key8 = GbkPathToUtf8(key);
        std::optional<std::string> value8 = GbkPathToUtf8(value);
        if (!section8 || !key8 || !value8) {
            return false;
        }
        std::optional<std::string> body =
            ConvertText(SetIniValue(file.text, *section8, *key8, *value8, IniCharset::kUtf8),
                        file.encoding, "UTF-8");
        if (!body) {
            return false;
        }
        edited = std::string(file.mark) + *body;
    }
    return ReplaceFile(*place, edited, read == ReadResult::kRead, info.st_mode & 07777);
}
