// GBK character boundaries and the checks the profile and path calls make on GBK bytes.
#include "platform/win32/gbk_bytes.h"

#include <windows.h>

namespace {

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::string_view();
    }
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool HasBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::size_t GbkCharLength(std::string_view text, std::size_t at) {
    if (at + 1 >= text.size()) {
        return 1;
    }
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const unsigned char trail = static_cast<unsigned char>(text[at + 1]);
    const bool isLead = lead >= 0x81 && lead <= 0xFE;
    const bool isTrail = trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
    return isLead && isTrail ? 2 : 1;
}

std::size_t GbkCutLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t at = 0;
    while (at < limit) {
        const std::size_t length = GbkCharLength(text, at);
        if (at + length > limit) {
            break;
        }
        at += length;
    }
    return at;
}

bool ProfileNamesWritable(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (section.empty() || key.empty() || HasBreak(section) || HasBreak(key) || HasBreak(value)) {
        return false;
    }
    // The section's last character must end where its "]" will stand: a lone lead byte at its
    // end would take the "]" as its trail byte and leave the header open.
    std::size_t at = 0;
    while (at + GbkCharLength(section, at) < section.size()) {
        at += GbkCharLength(section, at);
    }
    const unsigned char last = static_cast<unsigned char>(section[at]);
    if (at == section.size() - 1 && last >= 0x81 && last <= 0xFE) {
        return false;
    }
    return key.find('=') == std::string_view::npos && key[0] != '[' && key[0] != ';' &&
           key[0] != '#';
}

bool IsValidGbk(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); at += GbkCharLength(text, at)) {
        if (static_cast<unsigned char>(text[at]) >= 0x80 && GbkCharLength(text, at) != 2) {
            return false;
        }
    }
    return true;
}

bool GbkToWide(std::string_view text, std::wstring* wide) {
    wide->clear();
    if (text.empty()) {
        return true;
    }
    if (!IsValidGbk(text)) {
        return false;
    }
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide->resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), size, wide->data(),
                               length) == length;
}
