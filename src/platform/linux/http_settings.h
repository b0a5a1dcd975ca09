// Limits of the page fetch that tests may shorten; the program keeps the defaults.
#pragma once

#include "platform/input_bounds.h"

// Seconds without a received byte after which a fetch gives up (HttpStallSeconds by default).
void SetHttpStallSeconds(long seconds);
// Seconds after which a fetch gives up whatever it has received (HttpTotalSeconds by default).
void SetHttpTotalSeconds(long seconds);
