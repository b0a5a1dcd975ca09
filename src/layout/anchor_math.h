// Pixel arithmetic of the layout: differences in double precision, cut toward zero to 32 bits.
#pragma once

#include <cstdint>

#include "text/text.h"

inline std::int32_t PixelDifference(double from, double take, double alsoTake = 0) {
    // NumberToInteger holds values beyond 32 bits at the limits instead of wrapping.
    return NumberToInteger(from - take - alsoTake);
}
