// Create-always file writes, one-level folder creation and file deletion at Windows paths.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/win32/gbk_bytes.h"

namespace {

// A name beside the file that no other writer, thread or process, picks at the same time.
Text TempPathBeside(const Text& path) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.find_last_of('\\');
    return path.substr(0, slash + 1) + ".~" + path.substr(slash + 1) + "-" +
           std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

bool WriteAll(HANDLE file, const Bytes& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD step =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1 << 20));
        DWORD done = 0;
        if (!WriteFile(file, bytes.data() + written, step, &done, nullptr) || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

// Characters Windows refuses in a name, looked for only where a character starts: the trail byte
// of a GBK character may be "\" or "|".
bool HasForbiddenCharacter(std::string_view path) {
    for (std::size_t at = 3; at < path.size(); at += GbkCharLength(path, at)) {
        const unsigned char c = static_cast<unsigned char>(path[at]);
        if (c < 0x20 ||
            std::string_view("<>:\"/|?*").find(static_cast<char>(c)) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Only absolute drive paths, as on Linux: a relative one would depend on the current folder,
// which the program never sets.

// Whole file or no change: the bytes go to a new file beside the old one, which replaces it only
// when every byte is written and closed, so a full disk or a failed write leaves the older file
// as it was (or none), never a part. Windows refuses to replace a folder or a read-only file,
// and so does this.
bool PlatformCreateFileAlways(const Text& path, const Bytes& bytes) {
    if (PlatformDiskPath(path).empty() || path.back() == '\\') {
        return false;
    }
    const DWORD old = GetFileAttributesA(path.c_str());
    if (old != INVALID_FILE_ATTRIBUTES &&
        (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    const Text temp = TempPathBeside(path);
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool whole = WriteAll(file, bytes);
    whole = CloseHandle(file) != 0 && whole;
    // A hidden or system file stays one.
    if (whole && old != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(temp.c_str(), old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                FILE_ATTRIBUTE_ARCHIVE));
    }
    whole = whole && MoveFileExA(temp.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!whole) {
        DeleteFileA(temp.c_str());
    }
    return whole;
}

bool PlatformCreateDirectory(const Text& path) {
    return !PlatformDiskPath(path).empty() && CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool PlatformDeleteFile(const Text& path) {
    return !PlatformDiskPath(path).empty() && DeleteFileA(path.c_str()) != 0;
}

// On Windows a path already is where it lies on disk.
std::string PlatformDiskPath(const Text& path) {
    const bool drivePath =
        path.size() >= 3 &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
        path[1] == ':' && path[2] == '\\';
    if (!drivePath || !IsValidGbk(path) || HasForbiddenCharacter(path)) {
        return std::string();
    }
    return path;
}
