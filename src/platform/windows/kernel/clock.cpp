// SPDX-License-Identifier: MIT
// The layer's own clock and the frame pacing's wait, over the performance
// counter and the multimedia timer's resolution.
#include "common/clock.h"

#include <windows.h>

namespace platform {

// The real counter, not platform/windows.h's route through a tool's hook.
int64_t MonotonicNanoseconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  const int64_t seconds = count.QuadPart / frequency.QuadPart;
  const int64_t rest = count.QuadPart % frequency.QuadPart;
  return seconds * 1000000000 + rest * 1000000000 / frequency.QuadPart;
}

// Sleep's default resolution is the system tick (15.6 ms), as long as a
// frame; the timer is set to 1 ms once, for the life of the program, as
// players and games do.
void SleepUntil(int64_t until) {
  static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)fineTimer;
  const int64_t left = until - MonotonicNanoseconds();
  if (left > 0)
    Sleep(DWORD(left / 1000000));
}

} // namespace platform
