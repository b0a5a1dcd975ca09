// Finding and changing one value in the bytes of an INI file (GBK or UTF-8; CR, LF or CRLF lines).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// How the bytes are cut into characters. In GBK the second byte of a character may be "[" or
// "]" (0x5B, 0x5D: 沒 is 9B 5D), so the structural bytes "[", "]", "=" and ";" count only where a
// character starts. UTF-8 never has an ASCII byte inside a character.
enum class IniCharset { kGbk, kUtf8 };

// The value of key in the first section named section (names compared ignoring ASCII case,
// blanks around names and values dropped, one pair of outer quotes removed); nothing when the
// section or key is missing. CR, LF and CRLF each end a line, so a CR never stays in a value.
std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key,
                                        IniCharset charset = IniCharset::kGbk);

// The file's bytes with the value set: in place when the key is there (every other byte kept),
// else as a new line at the end of the section, else in a new section at the end. New lines end
// as the file's first line does (CRLF when it has none).
std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value, IniCharset charset = IniCharset::kGbk);

// Whether a section, key and value can be written so that they read back: no line breaks or
// zero bytes, names not empty, a key without "=" that does not look like a section or comment,
// a section whose last byte is not a GBK first byte (it would take the closing "]" as its
// second byte).
bool IniNamesWritable(std::string_view section, std::string_view key, std::string_view value);

// Blanks (space, tab) cut from both ends.
std::string_view TrimIniBlanks(std::string_view text);

// The longest length up to limit that does not end between the two bytes of a GBK character.
std::size_t GbkCutLength(std::string_view text, std::size_t limit);
