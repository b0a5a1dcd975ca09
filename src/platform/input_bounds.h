// Bounds on everything that comes from the network, in one place for the fetch and the query.
#pragma once

#include <cstddef>

// The fetch. A slow server is given up after the stall or the total deadline, whichever comes
// first, so the boxes are never kept disabled for longer than the total deadline.
inline constexpr long HttpConnectSeconds = 15;
inline constexpr long HttpStallSeconds = 30;  // no byte received for this long
inline constexpr long HttpTotalSeconds = 60;  // connect, redirects and body together
inline constexpr long HttpMaxRedirects = 10;
inline constexpr long long HttpMaxBodyBytes = 64LL * 1024 * 1024;

// The cut page. A heading is one line of a label: more than a screen's width of it only costs
// layout time on every draw, so it is cut (on a character boundary) to what a label can show.
// The forecast table is five rows; a longer one is cut, so that the local page and the view's
// memory stay small whatever the site sends.
inline constexpr std::size_t MaxHeadingBytes = 256;
inline constexpr std::size_t MaxTableBytes = 256 * 1024;
