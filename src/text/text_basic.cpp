// Lengths, cuts by count, joining, comparing, spaces, and the text/byte-string conversions.
#include <cstring>

#include "text/text.h"

long long TextLength(const Text& text) {
    return static_cast<long long>(text.size());
}

// Counts are bytes: a cut may split a double-byte character, as callers expect.
Text TextLeft(const Text& text, long long count) {
    if (count <= 0) {
        return Text();
    }
    return text.substr(0, static_cast<std::size_t>(count));
}

Text TextRight(const Text& text, long long count) {
    if (count <= 0) {
        return Text();
    }
    if (static_cast<unsigned long long>(count) >= text.size()) {
        return text;
    }
    return text.substr(text.size() - static_cast<std::size_t>(count));
}

Text TextConcatList(std::initializer_list<std::string_view> parts) {
    std::size_t total = 0;
    for (std::string_view part : parts) {
        total += part.size();
    }
    Text joined;
    joined.reserve(total);
    for (std::string_view part : parts) {
        joined.append(part);
    }
    return joined;
}

int TextCompare(const Text& a, const Text& b) {
    // std::string compares as unsigned bytes (char_traits<char> uses memcmp).
    int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

Text SpaceText(long long count) {
    if (count <= 0) {
        return Text();
    }
    return Text(static_cast<std::size_t>(count), ' ');
}

Bytes TextToBytes(const Text& text) {
    return Bytes(text);
}

Text BytesToText(const Bytes& bytes) {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (zero == nullptr) {
        return Text(bytes);
    }
    return Text(bytes.data(), static_cast<const char*>(zero) - bytes.data());
}
