// Finding markers at character starts, and the cuts and replacement built on it.
#include <algorithm>
#include <cstring>

#include "text/char_search.h"
#include "text/text.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t kUnscanned = npos - 1;

bool IsLead(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

unsigned char FoldByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

}  // namespace

bool FoldedEqual(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (FoldByte(static_cast<unsigned char>(a[i])) !=
            FoldByte(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

CharStartSearch::CharStartSearch(std::string_view text, std::string_view marker, bool foldCase)
    : text_(text),
      marker_(marker),
      foldCase_(foldCase),
      smallHit_(kUnscanned),
      capitalHit_(kUnscanned) {
    unsigned char first = static_cast<unsigned char>(marker[0]);
    small_ = capital_ = static_cast<char>(first);
    if (foldCase && IsAsciiLetter(first)) {
        small_ = static_cast<char>(first | 0x20);
        capital_ = static_cast<char>(first & ~0x20);
        twoCases_ = true;
    }
}

// Candidates come from a fast byte search; each is kept only if character stepping from `from`
// lands on it. A byte below 0x80 is always followed by a character start (it is a one-byte
// character or a trail byte), so only the run of lead-range bytes just before a candidate
// decides: an even run means the candidate starts a character. Every byte is looked at by this
// check at most once, since the known start moves past each rejected candidate.
std::size_t CharStartSearch::Next(std::size_t from) {
    std::size_t knownStart = from;
    std::size_t next = from;
    while (next < text_.size()) {
        std::size_t hit = foldCase_ ? NextFoldedCandidate(next) : text_.find(marker_, next);
        if (hit == npos) {
            return npos;
        }
        std::size_t runStart = hit;
        while (runStart > knownStart && IsLead(text_[runStart - 1])) {
            --runStart;
        }
        if ((hit - runStart) % 2 == 0) {
            return hit;
        }
        knownStart = hit + 1;
        next = hit + 1;
    }
    return npos;
}

std::size_t CharStartSearch::Scan(char c, std::size_t from) const {
    const std::size_t last = text_.size() - marker_.size();
    const void* hit = std::memchr(text_.data() + from, c, last - from + 1);
    return hit == nullptr ? npos
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
}

// The next position whose first byte fits; a letter is looked for in both cases, and each case
// keeps its last hit so that neither is scanned twice over the same bytes.
std::size_t CharStartSearch::NextCandidate(std::size_t from) {
    if (text_.size() < marker_.size() || from > text_.size() - marker_.size()) {
        return npos;
    }
    if (smallHit_ == kUnscanned || (smallHit_ != npos && smallHit_ < from)) {
        smallHit_ = Scan(small_, from);
    }
    if (!twoCases_) {
        return smallHit_;
    }
    if (capitalHit_ == kUnscanned || (capitalHit_ != npos && capitalHit_ < from)) {
        capitalHit_ = Scan(capital_, from);
    }
    return smallHit_ < capitalHit_ ? smallHit_ : capitalHit_;
}

std::size_t CharStartSearch::NextFoldedCandidate(std::size_t from) {
    while (true) {
        std::size_t hit = NextCandidate(from);
        if (hit == npos ||
            FoldedEqual(text_.data() + hit + 1, marker_.data() + 1, marker_.size() - 1)) {
            return hit;
        }
        from = hit + 1;
    }
}

long long TextFind(const Text& text, const Text& marker, bool ignoreCase) {
    if (marker.empty()) {
        return text.empty() ? -1 : 1;
    }
    std::size_t hit = CharStartSearch(text, marker, ignoreCase).Next(0);
    return hit == npos ? -1 : static_cast<long long>(hit) + 1;
}

Text TextBefore(const Text& text, const Text& marker) {
    return TextLeft(text, TextFind(text, marker, true) - 1);
}

// An absent marker still cuts off as many bytes as it is long; the forecast cut relies on it.
Text TextAfter(const Text& text, const Text& marker) {
    const long long leftLength = std::max(TextFind(text, marker, true) - 1, 0LL);
    return TextRight(text, TextLength(text) - leftLength - TextLength(marker));
}

Text TextReplace(const Text& text, const Text& find, const Text& replacement, bool caseSensitive) {
    if (text.empty() || find.empty()) {
        return text;
    }
    CharStartSearch search(text, find, !caseSensitive);
    Text result;
    result.reserve(text.size());
    std::size_t copied = 0;
    while (true) {
        std::size_t hit = search.Next(copied);
        if (hit == npos) {
            break;
        }
        result.append(text, copied, hit - copied);
        result += replacement;
        copied = hit + find.size();
    }
    result.append(text, copied, npos);
    return result;
}
