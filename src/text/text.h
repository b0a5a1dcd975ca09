// GBK texts, byte strings, lists and numbers, with the find/cut/replace/split, number, INI and
// file operations that every other folder builds on.
#pragma once

#include <initializer_list>
#include <string_view>

#include "text_types/text_types.h"

// Lengths, counts and positions are byte counts; positions count from 1, -1 means "not found".
long long TextLength(const Text& text);
Text TextLeft(const Text& text, long long count);
Text TextRight(const Text& text, long long count);
long long TextFind(const Text& text, const Text& marker, bool ignoreCase);
Text TextBefore(const Text& text, const Text& marker);
Text TextAfter(const Text& text, const Text& marker);
Text TextReplace(const Text& text, const Text& find, const Text& replacement, bool caseSensitive);
TextList TextSplit(const Text& text, const Text& separator);
BytesList BytesSplit(const Bytes& bytes, const Bytes& separator);
Text TextConcatList(std::initializer_list<std::string_view> parts);
template <typename... Parts>
Text TextConcat(const Parts&... parts) {
    return TextConcatList({std::string_view(parts)...});
}
int TextCompare(const Text& a, const Text& b);
Text SpaceText(long long count);

double TextToNumber(const Text& text);
// Cuts a number toward zero into an int; out-of-range values are held at the int limits, NaN is 0.
int NumberToInteger(double number);
Text NumberToText(int number);
Text NumberToText(long long number);
Text NumberToText(double number);

Bytes TextToBytes(const Text& text);
Text BytesToText(const Bytes& bytes);

// Paths are Windows paths in GBK ("D:\Varnel\..."); the platform layer maps them to its disk.
Text IniRead(const Text& path, const Text& section, const Text& key, const Text& defaultValue);
// False, writing nothing, for names or values that would not read back (line breaks, "=" in the
// key, empty names).
bool IniWrite(const Text& path, const Text& section, const Text& key, const Text& value);
bool WriteFileBytes(const Text& path, const Bytes& bytes);
bool CreateFolder(const Text& path);
bool DeleteFileAt(const Text& path);
