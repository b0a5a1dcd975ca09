// INI profile files through the Windows private-profile calls, with the refusals that keep a
// write from landing half.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/win32/gbk_bytes.h"

namespace {

// Asks for the value with room to spare, growing until it fits, so that the cut below is ours:
// the system may cut a too-long value between the two bytes of a character.
std::string ReadWhole(const Text& path, const Text& section, const Text& key,
                      const Text& defaultValue, std::size_t atLeast) {
    std::size_t size = std::max<std::size_t>(atLeast + 2, 256);
    while (true) {
        std::string buffer(size, '\0');
        const DWORD got =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                     buffer.data(), static_cast<DWORD>(size), path.c_str());
        if (got + 2 < size || size >= (1u << 26)) {
            buffer.resize(std::min<std::size_t>(got, size));
            return buffer;
        }
        size *= 4;
    }
}

}  // namespace

Text ProfileReadString(const Text& path, const Text& section, const Text& key,
                       const Text& defaultValue, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return Text();
    }
    // Without a section or key the system lists names instead of reading a value, and a relative
    // path would name a file in the Windows folder.
    if (section.empty() || key.empty() || PlatformDiskPath(path).empty()) {
        Text fallback = defaultValue;
        while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t')) {
            fallback.pop_back();
        }
        fallback.resize(GbkCutLength(fallback, bufferSize - 1));
        return fallback;
    }
    std::string value = ReadWhole(path, section, key, defaultValue, bufferSize);
    value.resize(GbkCutLength(value, bufferSize - 1));
    return value;
}

// The system writes any name and value as given: a line break would end the line half-way and a
// "=" in a key would move the value, so such a write could never be read back. It is refused
// before anything is written.
bool ProfileWriteString(const Text& path, const Text& section, const Text& key, const Text& value) {
    if (PlatformDiskPath(path).empty() || !ProfileNamesWritable(section, key, value)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           0;
}
