// The fetch's stall and total limits, read at every fetch: the program keeps the values of
// input_bounds.h, and only the testing library (http_testing.cpp) shortens them.
#pragma once

#include <atomic>

std::atomic<long>& HttpStallLimit();
std::atomic<long>& HttpTotalLimit();
