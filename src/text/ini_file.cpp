// One value of an INI file, read or written through the platform's profile calls.
#include "platform/profile.h"
#include "text/text.h"

namespace {
constexpr std::size_t kIniBufferSize = 10240;
}

// Empty path, section or key give the empty text without reading the file, not the default.
Text IniRead(const Text& path, const Text& section, const Text& key, const Text& defaultValue) {
    if (path.empty() || section.empty() || key.empty()) {
        return Text();
    }
    return ProfileReadString(path, section, key, defaultValue, kIniBufferSize);
}

bool IniWrite(const Text& path, const Text& section, const Text& key, const Text& value) {
    return ProfileWriteString(path, section, key, value);
}
