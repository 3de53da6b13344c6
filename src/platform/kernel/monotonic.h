// The layer's own clock, for the parts that wait or time things.
#pragma once
#include <cstdint>

namespace platform {
// CLOCK_MONOTONIC in nanoseconds.
int64_t MonotonicNanoseconds();
} // namespace platform
