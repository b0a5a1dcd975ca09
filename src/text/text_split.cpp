// Splitting texts at a separator (character by character) and byte strings (byte by byte).
#include <string_view>

#include "text/char_search.h"
#include "text/text.h"

// A trailing separator leaves no empty last piece: a city list of names each followed by ","
// gives exactly the names.
TextList TextSplit(const Text& text, const Text& separator) {
    TextList pieces;
    if (text.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    CharStartSearch search(text, separator, false);
    std::size_t pieceStart = 0;
    while (true) {
        std::size_t hit = search.Next(pieceStart);
        if (hit == std::string_view::npos) {
            break;
        }
        pieces.emplace_back(text, pieceStart, hit - pieceStart);
        pieceStart = hit + separator.size();
    }
    if (pieceStart < text.size()) {
        pieces.emplace_back(text, pieceStart);
    }
    return pieces;
}

BytesList BytesSplit(const Bytes& bytes, const Bytes& separator) {
    BytesList pieces;
    if (bytes.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.push_back(bytes);
        return pieces;
    }
    const std::string_view all(bytes);
    std::size_t pieceStart = 0;
    while (true) {
        std::size_t hit = all.find(separator, pieceStart);
        if (hit == std::string_view::npos) {
            break;
        }
        pieces.emplace_back(bytes, pieceStart, hit - pieceStart);
        pieceStart = hit + separator.size();
    }
    if (pieceStart < bytes.size()) {
        pieces.emplace_back(bytes, pieceStart);
    }
    return pieces;
}
