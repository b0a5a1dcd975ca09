// Where the drive letters of Windows paths lie on this machine's disk.
#pragma once

#include <string>

// The folder that holds one folder per drive letter ("c", "d", ...). Read at every call from
// LANCHUAN_DRIVES, else $XDG_DATA_HOME/lanchuan-weather/drives, else
// ~/.local/share/lanchuan-weather/drives. When the folder does not exist yet, the first file or
// folder operation creates it with drive C: (holding C:\WINDOWS\system32\) and drive D:.
std::string PlatformDriveRoot();
