// Limits of the page fetch that tests may shorten; the program keeps the defaults.
#pragma once

inline constexpr long HttpConnectSeconds = 15;
inline constexpr long HttpStallSeconds = 30;
inline constexpr long HttpMaxRedirects = 10;
inline constexpr long long HttpMaxBodyBytes = 64LL * 1024 * 1024;

// Seconds without a received byte after which a fetch gives up (HttpStallSeconds by default).
void SetHttpStallSeconds(long seconds);
