// Mapping Windows paths (GBK, drive letters, backslashes) to UTF-8 paths under the drive root.
#pragma once

#include <optional>
#include <string>

#include "text/text.h"

// The disk path of a Windows path "X:\..." (either slash, runs of them counting as one), or
// nothing when the path is not an absolute drive path, is not valid GBK or names a character
// Windows forbids in file names. "." and ".." are resolved by name and never climb above the
// drive. A trailing separator is kept. The drive root is created first if it is missing, but
// the drive itself need not exist.
std::optional<std::string> MapWindowsPath(const Text& path);

// As MapWindowsPath, and also nothing when the drive's folder does not exist (a missing drive).
std::optional<std::string> MapOnExistingDrive(const Text& path);

// GBK bytes as UTF-8, or nothing when they are not valid GBK.
std::optional<std::string> GbkPathToUtf8(std::string_view gbk);
