// The shell's special folders and the temporary-files folder, as the system reports them.
#include <shlobj.h>
#include <windows.h>

#include "platform/folders.h"

Text PlatformSpecialFolder(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || list == nullptr) {
        return Text();
    }
    char buffer[MAX_PATH + 1] = {};
    const bool got = SHGetPathFromIDListA(list, buffer) != FALSE;
    CoTaskMemFree(list);
    Text path = got ? Text(buffer) : Text();
    // A drive's root is the one folder the shell reports with its backslash.
    if (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

// Windows leaves the buffer unwritten when the path does not fit; that is the empty text.
Text PlatformTempPath(std::size_t bufferSize) {
    if (bufferSize == 0 || bufferSize > 32767) {
        return Text();
    }
    std::string buffer(bufferSize, '\0');
    const DWORD length = GetTempPathA(static_cast<DWORD>(bufferSize), buffer.data());
    if (length == 0 || length >= bufferSize) {
        return Text();
    }
    buffer.resize(length);
    return buffer;
}
