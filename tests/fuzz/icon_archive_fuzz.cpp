// libFuzzer target for unpacking the icon archive: any archive bytes write files only inside the
// image folder, never beside it or outside the drive root.
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "embedded/embedded.h"
#include "platform/drives_testing.h"
#include "platform/files.h"
#include "text/text.h"

namespace fs = std::filesystem;

namespace {

std::string scratch;
const Text kImageDir = "D:\\image\\";

void RemoveScratch() {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

// Every path under the scratch folder, the image folder's contents left out.
std::set<std::string> Outside() {
    std::set<std::string> paths;
    const fs::path image = PlatformDiskPath(kImageDir);
    for (auto it = fs::recursive_directory_iterator(scratch); it != fs::end(it); ++it) {
        if (it->path() == image.parent_path()) {
            it.disable_recursion_pending();
        }
        paths.insert(it->path().string());
    }
    return paths;
}

std::set<std::string> before;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = PlatformUseFreshDriveRoot();
    if (scratch.empty() || !CreateFolder("D:\\image")) {
        std::abort();
    }
    std::atexit(RemoveScratch);
    before = Outside();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UnpackIconArchive(std::string_view(reinterpret_cast<const char*>(data), size), kImageDir);
    if (Outside() != before) {
        std::abort();
    }
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(PlatformDiskPath(kImageDir), ignored)) {
        fs::remove_all(entry.path(), ignored);
    }
    return 0;
}
