// The shell's special folders and the temporary-files folder, as folders of drive C:.
#include "platform/folders.h"
#include "platform/files.h"
#include "platform/linux/drive_map.h"

namespace {

struct SpecialFolder {
    int csidl;
    const char* path;
};

// The layout of a Windows XP machine with one user, "User".
constexpr SpecialFolder kSpecialFolders[] = {
    {0, "C:\\Documents and Settings\\User\\Desktop"},
    {2, "C:\\Documents and Settings\\User\\Start Menu\\Programs"},
    {5, "C:\\Documents and Settings\\User\\My Documents"},
    {6, "C:\\Documents and Settings\\User\\Favorites"},
    {7, "C:\\Documents and Settings\\User\\Start Menu\\Programs\\Startup"},
    {8, "C:\\Documents and Settings\\User\\Recent"},
    {11, "C:\\Documents and Settings\\User\\Start Menu"},
    {16, "C:\\Documents and Settings\\User\\Desktop"},
    {20, "C:\\WINDOWS\\Fonts"},
    {26, "C:\\Documents and Settings\\User\\Application Data"},
    {28, "C:\\Documents and Settings\\User\\Local Settings\\Application Data"},
    {32, "C:\\Documents and Settings\\User\\Local Settings\\Temporary Internet Files"},
    {33, "C:\\Documents and Settings\\User\\Cookies"},
    {34, "C:\\Documents and Settings\\User\\Local Settings\\History"},
    {35, "C:\\Documents and Settings\\All Users\\Application Data"},
    {36, "C:\\WINDOWS"},
    {37, "C:\\WINDOWS\\system32"},
    {38, "C:\\Program Files"},
    {39, "C:\\Documents and Settings\\User\\My Documents\\My Pictures"},
    {40, "C:\\Documents and Settings\\User"},
    {43, "C:\\Program Files\\Common Files"},
};

// Makes every level of a folder of drive C: that is missing; true when the folder is there.
bool EnsureFolder(const Text& path) {
    for (std::size_t slash = path.find('\\', 3); slash != Text::npos;
         slash = path.find('\\', slash + 1)) {
        PlatformCreateDirectory(path.substr(0, slash));
    }
    PlatformCreateDirectory(path);
    std::optional<std::string> disk = MapOnExistingDrive(path);
    return disk && IsFolderInRoot(*disk);
}

}  // namespace

// The shell only reports folders that exist, so a missing one is made when asked for.
Text PlatformSpecialFolder(int csidl) {
    for (const SpecialFolder& folder : kSpecialFolders) {
        if (folder.csidl == csidl) {
            return EnsureFolder(folder.path) ? Text(folder.path) : Text();
        }
    }
    return Text();
}

Text PlatformTempPath(std::size_t bufferSize) {
    const Text temp = "C:\\WINDOWS\\Temp\\";
    EnsureFolder("C:\\WINDOWS\\Temp");
    if (bufferSize == 0) {
        return Text();
    }
    return temp.substr(0, bufferSize - 1);
}
