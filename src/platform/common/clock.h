// SPDX-License-Identifier: MIT
// The monotonic clock and the wait under the frame pacing, which each back
// end provides from its system's own calls.
#pragma once
#include <cstdint>

namespace platform {

// A monotonic clock in nanoseconds, never changed by a tool's counter source.
int64_t MonotonicNanoseconds();

// Sleeps until about `until` (MonotonicNanoseconds' time): never past it by
// more than the system's timer resolution, possibly a little before.
void SleepUntil(int64_t until);

} // namespace platform
