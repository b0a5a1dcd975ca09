// INI profile files, read and written one value at a time, as the Windows private-profile calls do.
#pragma once

#include <cstddef>

#include "text/text.h"

// The value of key in section, or the default when the file, section or key is missing. A value
// longer than bufferSize - 1 bytes comes back cut to bufferSize - 1 bytes.
Text ProfileReadString(const Text& path, const Text& section, const Text& key,
                       const Text& defaultValue, std::size_t bufferSize);
// Replaces or adds the value; creates the file (not its folder) when missing.
bool ProfileWriteString(const Text& path, const Text& section, const Text& key, const Text& value);
