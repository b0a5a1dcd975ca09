// Files and folders at Windows paths (GBK, backslashes), with the results the Windows calls give.
#pragma once

#include "text_types/text_types.h"

// Create-always, no sharing: a missing file is created, an existing one cut to length 0; missing
// folders are not created. False when the file cannot be created, written or closed.
bool PlatformCreateFileAlways(const Text& path, const Bytes& bytes);
// One folder level; false when it exists already or its parent is missing.
bool PlatformCreateDirectory(const Text& path);
// False when the file is missing or cannot be deleted.
bool PlatformDeleteFile(const Text& path);
// Where a Windows path lies on this machine's disk (for the backend, tests and tools; not for
// the program's own logic), whether or not it exists. Empty when the path is not an absolute
// drive path ("X:\..."), is not valid GBK or holds a character Windows forbids in names.
std::string PlatformDiskPath(const Text& path);
