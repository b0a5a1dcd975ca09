// The backend's one converter between encodings (GBK, UTF-8, UTF-16): for INI files, and for
// texts at the GTK edge.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// iconv from one encoding to another; nothing when the input is not valid. With replaceUnknown
// (from UTF-8 only), a valid character the target lacks becomes "?" instead.
std::optional<std::string> ConvertText(std::string_view in, const char* to, const char* from,
                                       bool replaceUnknown = false);
