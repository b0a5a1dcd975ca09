// Finding and changing one value in the bytes of an INI file (GBK, CRLF or LF lines).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The value of key in the first section named section (names compared ignoring ASCII case,
// blanks around names and values dropped, one pair of outer quotes removed); nothing when the
// section or key is missing.
std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key);

// The file's bytes with the value set: in place when the key is there (every other byte kept),
// else as a new CRLF line at the end of the section, else in a new section at the end.
std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value);

// Whether a section, key and value can be written so that they read back: no line breaks or
// zero bytes, names not empty, a key without "=" that does not look like a section or comment.
bool IniNamesWritable(std::string_view section, std::string_view key, std::string_view value);

// Blanks (space, tab) cut from both ends.
std::string_view TrimIniBlanks(std::string_view text);
