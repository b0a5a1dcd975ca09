// libFuzzer target for the drive mapping: any GBK path maps to a place under its drive's folder
// with no "." or ".." left to climb out, or to nothing.
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/drives.h"
#include "platform/drives_testing.h"
#include "platform/linux/drive_map.h"

namespace {

std::string scratch;

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = PlatformUseFreshDriveRoot();
    if (scratch.empty()) {
        std::abort();
    }
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text path(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> disk = MapWindowsPath(path);
    if (!disk) {
        return 0;
    }
    char letter = path[0];
    if (letter >= 'A' && letter <= 'Z') {
        letter = static_cast<char>(letter - 'A' + 'a');
    }
    const std::string drive = PlatformDriveRoot() + "/" + letter;
    if (disk->compare(0, drive.size(), drive) != 0 ||
        (disk->size() > drive.size() && (*disk)[drive.size()] != '/')) {
        std::abort();
    }
    const std::string below = disk->substr(drive.size()) + "/";
    if (below.find("/../") != std::string::npos || below.find("/./") != std::string::npos ||
        below.find('\0') != std::string::npos) {
        std::abort();
    }
    GbkPathToUtf8(path);
    return 0;
}
