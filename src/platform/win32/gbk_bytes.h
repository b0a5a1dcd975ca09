// GBK character boundaries and the checks the profile and path calls make on GBK bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// 2 when a GBK lead and trail byte start at `at`, else 1.
std::size_t GbkCharLength(std::string_view text, std::size_t at);
// The longest length up to limit that does not end between the two bytes of a GBK character.
std::size_t GbkCutLength(std::string_view text, std::size_t limit);
// Whether a section, key and value can be written so that they read back as written: no line
// breaks or zero bytes, names not empty after their blanks, a key without "=" that does not look
// like a section or a comment, a section whose "]" cannot be taken as a trail byte.
bool ProfileNamesWritable(std::string_view section, std::string_view key, std::string_view value);
// Whether the text is valid GBK (every byte from 0x80 up starts a two-byte character).
bool IsValidGbk(std::string_view text);
// GBK bytes as UTF-16 through code page 936, whatever the process's ANSI code page; nothing when
// not valid GBK.
bool GbkToWide(std::string_view text, std::wstring* wide);
