// The drive root (from the environment, made on first use) and the Windows-to-disk path mapping.
#include "platform/linux/drive_map.h"

#include <errno.h>
#include <iconv.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
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

// One converter per thread: iconv descriptors keep state and must not be shared.
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

std::string PlatformUseFreshDriveRoot() {
    std::string base = EnvironmentValue("TMPDIR");
    if (base.empty()) {
        base = "/tmp";
    }
    std::string folder = base + "/lanchuan-drives-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        return std::string();
    }
    setenv("LANCHUAN_DRIVES", (folder + "/drives").c_str(), 1);
    return folder;
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
