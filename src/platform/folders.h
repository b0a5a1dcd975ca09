// The system's special folders and its folder for temporary files, as Windows paths.
#pragma once

#include "text_types/text_types.h"

// The folder of a CSIDL number (36 the Windows folder, 37 the system folder, ...), as the shell
// reports it: no trailing backslash; empty when the platform cannot give it.
Text PlatformSpecialFolder(int csidl);
// The folder for temporary files, ending with a backslash, at most bufferSize - 1 bytes.
Text PlatformTempPath(std::size_t bufferSize);
