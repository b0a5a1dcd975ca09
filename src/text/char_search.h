// The search at character starts that TextFind, TextReplace and TextSplit share.
#pragma once

#include <cstddef>
#include <string_view>

// True when the bytes are equal, taking A-Z and a-z as equal byte by byte (trail bytes too).
bool FoldedEqual(const char* a, const char* b, std::size_t count);

// Finds a marker only where a character starts: a byte of 0x80 or more leads a two-byte
// character, so a match never begins on its trail byte. Successive calls of Next with growing
// positions share their byte scans, so walking a whole text stays linear.
class CharStartSearch {
  public:
    // The marker must not be empty; text and marker must outlive the search.
    CharStartSearch(std::string_view text, std::string_view marker, bool foldCase);

    // The first match at or after from, reading characters from `from` on; npos when none.
    std::size_t Next(std::size_t from);

  private:
    std::size_t NextCandidate(std::size_t from);
    std::size_t NextFoldedCandidate(std::size_t from);
    std::size_t Scan(char c, std::size_t from) const;

    std::string_view text_;
    std::string_view marker_;
    bool foldCase_;
    bool twoCases_ = false;
    char small_ = 0;
    char capital_ = 0;
    // Last hit of each first-byte scan; kUnscanned before the first one.
    std::size_t smallHit_;
    std::size_t capitalHit_;
};
