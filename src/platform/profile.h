// INI profile files, read and written one value at a time, as the Windows private-profile calls do.
#pragma once

#include <cstddef>

#include "text_types/text_types.h"

// The value of key in section, or the default (less its trailing blanks) when the file, section
// or key is missing. Names match ignoring ASCII letter case, the first of two equal sections or
// keys wins, blanks around names and values and one pair of outer quotes of a value are
// dropped. A value longer than bufferSize - 1 bytes comes back cut to at most bufferSize - 1
// bytes, never between the two bytes of a GBK character.
Text ProfileReadString(const Text& path, const Text& section, const Text& key,
                       const Text& defaultValue, std::size_t bufferSize);
// Replaces the value in place or adds the key (at the end of its section) or the section (at the
// end of the file), keeping every other byte; creates the file (not its folder) when missing.
// The file is replaced atomically, and writes from several threads do not lose each other's
// keys. False, with nothing written, for an empty section or key, a key holding "=" or starting
// like a section or comment, a section ending in a GBK first byte, a line break in any of the
// three, a file that is read-only or not this user's to write, a file reached through a link
// that leads out of the drive root, and a file with a byte order mark that is not valid in its
// encoding.
bool ProfileWriteString(const Text& path, const Text& section, const Text& key, const Text& value);
