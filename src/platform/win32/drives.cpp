// Drive letters on Windows are the system's own: there is no folder that holds them.
#include "platform/drives.h"

std::string PlatformDriveRoot() {
    return std::string();
}
