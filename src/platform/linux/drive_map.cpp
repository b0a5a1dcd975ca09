// The drive root (from the environment, made on first use) and the Windows-to-disk path mapping.
#include "platform/linux/drive_map.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <vector>

#include "platform/drives.h"

namespace {

bool IsFolder(const std::string& diskPath) {
    struct stat info;
    return stat(diskPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The few folders of an unfinished root, removed after losing the race to make it.
void RemoveTree(const std::string& diskPath) {
    for (const char* part :
         {"/c/WINDOWS/system32", "/c/WINDOWS/Temp", "/c/WINDOWS", "/c", "/d", ""}) {
        rmdir((diskPath + part).c_str());
    }
}

// mkdir -p; false when a part cannot be made or is not a folder.
bool MakeFolders(const std::string& diskPath) {
    for (std::size_t slash = diskPath.find('/', 1);; slash = diskPath.find('/', slash + 1)) {
        std::string part = diskPath.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    return IsFolder(diskPath);
}

// A fresh root gets drive C: with its Windows folders and drive D:. It is built beside its place
// and renamed into it, so that a thread or process racing this one never sees a root without
// its drives (it stays private to the user, as mkdtemp makes it). An existing root is left as it
// is, so that a test can take D: away or block it.
bool EnsureDriveRoot(const std::string& root) {
    if (root.empty()) {
        return false;
    }
    if (IsFolder(root)) {
        return true;
    }
    std::size_t slash = root.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(root.substr(0, slash))) {
        return false;
    }
    std::string building = root + ".new-XXXXXX";
    if (mkdtemp(building.data()) == nullptr) {
        return false;
    }
    bool made = MakeFolders(building + "/c/WINDOWS/system32") &&
                MakeFolders(building + "/c/WINDOWS/Temp") && MakeFolders(building + "/d");
    if (made && rename(building.c_str(), root.c_str()) == 0) {
        return true;
    }
    RemoveTree(building);
    return IsFolder(root);
}

std::string EnvironmentValue(const char* name) {
    const char* value = getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// One converter per thread: iconv descriptors keep state and must not be shared. Kept apart from
// ConvertText on purpose: every file operation maps its path, so the descriptor is reused.
struct GbkConverter {
    iconv_t descriptor = iconv_open("UTF-8", "GBK");
    ~GbkConverter() {
        if (descriptor != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(descriptor);
        }
    }
};

bool IsForbiddenInName(unsigned char c) {
    return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

// Windows drops trailing dots and blanks of a name ("Varnel." is "Varnel").
std::string WindowsName(std::string name) {
    if (name == "." || name == "..") {
        return name;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.pop_back();
    }
    return name;
}

}  // namespace

std::string PlatformDriveRoot() {
    std::string root = EnvironmentValue("LANCHUAN_DRIVES");
    if (!root.empty()) {
        return root;
    }
    std::string data = EnvironmentValue("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') {
        std::string home = EnvironmentValue("HOME");
        if (home.empty()) {
            return std::string();
        }
        data = home + "/.local/share";
    }
    return data + "/lanchuan-weather/drives";
}

std::optional<std::string> GbkPathToUtf8(std::string_view gbk) {
    thread_local GbkConverter converter;
    if (converter.descriptor == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    iconv(converter.descriptor, nullptr, nullptr, nullptr, nullptr);
    std::string utf8(gbk.size() * 3 / 2 + 4, '\0');
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    char* out = utf8.data();
    std::size_t outLeft = utf8.size();
    if (iconv(converter.descriptor, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
        return std::nullopt;
    }
    utf8.resize(utf8.size() - outLeft);
    return utf8;
}

namespace {

// The disk path, and in driveFolder the folder of its drive letter.
std::optional<std::string> MapPath(const Text& path, std::string* driveFolder) {
    if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) {
        return std::nullopt;
    }
    char letter = path[0];
    if (letter >= 'A' && letter <= 'Z') {
        letter = static_cast<char>(letter - 'A' + 'a');
    }
    if (letter < 'a' || letter > 'z') {
        return std::nullopt;
    }
    // Converted first, so that a trail byte 0x5C of a GBK character is never taken for "\".
    std::optional<std::string> rest = GbkPathToUtf8(std::string_view(path).substr(3));
    if (!rest) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= rest->size()) {
        std::size_t end = rest->find_first_of("\\/", start);
        if (end == std::string::npos) {
            end = rest->size();
        }
        std::string name = WindowsName(rest->substr(start, end - start));
        if (name == "..") {
            if (!names.empty()) {
                names.pop_back();
            }
        } else if (!name.empty() && name != ".") {
            for (unsigned char c : name) {
                if (IsForbiddenInName(c)) {
                    return std::nullopt;
                }
            }
            names.push_back(std::move(name));
        }
        start = end + 1;
    }
    std::string root = PlatformDriveRoot();
    if (!EnsureDriveRoot(root)) {
        return std::nullopt;
    }
    *driveFolder = root + "/" + letter;
    std::string disk = *driveFolder;
    for (const std::string& name : names) {
        disk += "/";
        disk += name;
    }
    if (rest->empty() || rest->back() == '\\' || rest->back() == '/') {
        disk += "/";
    }
    return disk;
}

}  // namespace

std::optional<std::string> MapWindowsPath(const Text& path) {
    std::string driveFolder;
    return MapPath(path, &driveFolder);
}

std::optional<std::string> MapOnExistingDrive(const Text& path) {
    std::string driveFolder;
    std::optional<std::string> disk = MapPath(path, &driveFolder);
    if (!disk || !IsFolder(driveFolder)) {
        return std::nullopt;
    }
    return disk;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit

void PushNames(std::deque<std::string>* names, std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    names->insert(names->begin(), parts.begin(), parts.end());
}

// The part of an absolute path below one of the root's spellings, or nothing when outside.
std::optional<std::string_view> BelowRoot(std::string_view path,
                                          const std::vector<std::string>& roots) {
    for (const std::string& root : roots) {
        if (path.substr(0, root.size()) == root &&
            (path.size() == root.size() || path[root.size()] == '/')) {
            return path.substr(root.size());
        }
    }
    return std::nullopt;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::optional<RootedPlace> ResolveInRoot(const std::string& diskPath, bool followLast) {
    // The root itself is the user's choice and opened as named; only what lies below it is
    // walked.
    const std::string root = WithoutTrailingSlashes(PlatformDriveRoot());
    if (root.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> roots{root};
    char real[PATH_MAX];
    if (realpath(root.c_str(), real) != nullptr && root != real) {
        roots.emplace_back(real);
    }
    std::optional<std::string_view> below = BelowRoot(diskPath, {root});
    if (!below) {
        return std::nullopt;
    }
    std::deque<std::string> names;
    PushNames(&names, *below);

    std::vector<FolderHandle> folders;
    folders.emplace_back(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (folders.back().get() < 0) {
        return std::nullopt;
    }
    int links = 0;
    while (!names.empty()) {
        std::string name = std::move(names.front());
        names.pop_front();
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            if (folders.size() == 1) {
                return std::nullopt;  // above the root
            }
            folders.pop_back();
            continue;
        }
        const bool last = names.empty();
        const int folder = folders.back().get();
        struct stat info;
        if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (last && errno == ENOENT) {
                return RootedPlace{FolderHandle(fcntl(folder, F_DUPFD_CLOEXEC, 0)), name};
            }
            return std::nullopt;
        }
        if (S_ISLNK(info.st_mode) && (!last || followLast)) {
            if (++links > kMaxLinks) {
                return std::nullopt;
            }
            std::string target(PATH_MAX, '\0');
            const ssize_t length = readlinkat(folder, name.c_str(), target.data(), target.size());
            if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
                return std::nullopt;
            }
            target.resize(static_cast<std::size_t>(length));
            if (target[0] == '/') {
                std::optional<std::string_view> inside = BelowRoot(target, roots);
                if (!inside) {
                    return std::nullopt;
                }
                folders.resize(1);
                PushNames(&names, *inside);
            } else {
                PushNames(&names, target);
            }
            continue;
        }
        if (last) {
            return RootedPlace{FolderHandle(fcntl(folder, F_DUPFD_CLOEXEC, 0)), name};
        }
        FolderHandle next(
            openat(folder, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0) {
            return std::nullopt;
        }
        folders.push_back(std::move(next));
    }
    return std::nullopt;  // the root itself, or a folder reached by ".." at the end
}

int OpenInRoot(const std::string& diskPath, int flags, unsigned mode) {
    std::optional<RootedPlace> place = ResolveInRoot(diskPath, true);
    if (!place || place->folder.get() < 0) {
        errno = ENOENT;
        return -1;
    }
    return openat(place->folder.get(), place->name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC,
                  static_cast<mode_t>(mode));
}

bool IsFolderInRoot(const std::string& diskPath) {
    std::optional<RootedPlace> place = ResolveInRoot(diskPath, true);
    struct stat info;
    return place && place->folder.get() >= 0 &&
           fstatat(place->folder.get(), place->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(info.st_mode);
}
