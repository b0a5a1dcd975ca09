// For tests only (lanchuan_platform_testing): limits of the page fetch that tests may shorten;
// the program keeps the defaults of input_bounds.h.
#pragma once

#include "platform/input_bounds.h"

// Seconds without a received byte after which a fetch gives up (HttpStallSeconds by default).
void SetHttpStallSeconds(long seconds);
// Seconds after which a fetch gives up whatever it has received (HttpTotalSeconds by default).
void SetHttpTotalSeconds(long seconds);
