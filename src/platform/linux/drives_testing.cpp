// A fresh machine for the drive letters, for tests.
#include <stdlib.h>

#include <cstdlib>

#include "platform/drives_testing.h"

std::string PlatformUseFreshDriveRoot() {
    const char* temporary = std::getenv("TMPDIR");
    std::string base = temporary != nullptr ? temporary : "";
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
