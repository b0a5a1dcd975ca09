// A fresh drive D: for tests: emptied, but only where the test run says D: is its scratch drive.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/drives_testing.h"

namespace {

// Removes everything inside folder (which ends with a backslash), read-only entries included.
void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            EmptyFolder(path + "\\");
            RemoveDirectoryA(path.c_str());
        } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

// Windows cannot give one process a drive of its own (and Wine ignores DefineDosDevice for file
// names), so the fresh machine is drive D: emptied. A drive that may hold a user's files is never
// emptied: only a run that set LANCHUAN_SCRATCH_DRIVE_D=1 (scripts/test-windows) gets one.
std::string PlatformUseFreshDriveRoot() {
    const char* scratch = std::getenv("LANCHUAN_SCRATCH_DRIVE_D");
    if (scratch == nullptr || std::string(scratch) != "1" ||
        GetDriveTypeA("D:\\") == DRIVE_NO_ROOT_DIR) {
        return std::string();
    }
    EmptyFolder("D:\\");
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        return std::string();
    }
    static std::atomic<unsigned> counter{0};
    const std::string folder = std::string(temp) + "lanchuan-drives-" +
                               std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(counter++);
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        return std::string();
    }
    return folder;
}
