// Splitting texts at a separator (character by character) and byte strings (byte by byte).
#include <string_view>

#include "text/char_search.h"
#include "text/text.h"

namespace {

// The pieces between the hits that nextHit(from) finds. A trailing separator leaves no empty
// last piece: a city list of names each followed by "," gives exactly the names.
template <typename NextHit>
std::vector<std::string> SplitAtHits(const std::string& all, std::size_t separatorSize,
                                     NextHit nextHit) {
    std::vector<std::string> pieces;
    std::size_t pieceStart = 0;
    for (std::size_t hit = nextHit(pieceStart); hit != std::string_view::npos;
         hit = nextHit(pieceStart)) {
        pieces.emplace_back(all, pieceStart, hit - pieceStart);
        pieceStart = hit + separatorSize;
    }
    if (pieceStart < all.size()) {
        pieces.emplace_back(all, pieceStart);
    }
    return pieces;
}

}  // namespace

TextList TextSplit(const Text& text, const Text& separator) {
    if (text.empty()) {
        return {};
    }
    if (separator.empty()) {
        return {text};
    }
    CharStartSearch search(text, separator, false);
    return SplitAtHits(text, separator.size(), [&](std::size_t from) { return search.Next(from); });
}

BytesList BytesSplit(const Bytes& bytes, const Bytes& separator) {
    if (bytes.empty()) {
        return {};
    }
    if (separator.empty()) {
        return {bytes};
    }
    const std::string_view all(bytes);
    return SplitAtHits(bytes, separator.size(),
                       [&](std::size_t from) { return all.find(separator, from); });
}
