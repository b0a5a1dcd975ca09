// For tests only (lanchuan_platform_testing): a fresh machine for the drive letters.
#pragma once

#include <string>

// Points LANCHUAN_DRIVES at a folder that does not exist yet, inside a new private folder under
// the system's temporary folder, so that the next operation makes a fresh machine with drives C:
// and D:. Returns the private folder (remove it when done). Call it before other threads use the
// platform layer.
std::string PlatformUseFreshDriveRoot();
