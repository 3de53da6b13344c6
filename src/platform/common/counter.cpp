// SPDX-License-Identifier: MIT
// The performance counter and the tick count over the back end's monotonic
// clock, for the back ends whose system has none; a tool's counter source
// (platform/tap.h) stands in for the counter when set.
#include "common/clock.h"
#include "common/hooks.h"
#include "platform/kernel.h"

namespace {
// 10 MHz: one tick is 100 ns, the rate current Windows reports.
constexpr int64_t kCounterFrequency = 10000000;
} // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  if (frequency == nullptr)
    return FALSE;
  frequency->QuadPart = kCounterFrequency;
  return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
  if (count == nullptr)
    return FALSE;
  int64_t hooked = 0;
  count->QuadPart = platform::HookedCounter(&hooked) ? hooked : platform::MonotonicNanoseconds() / 100;
  return TRUE;
}

DWORD GetTickCount(void) {
  return DWORD(platform::MonotonicNanoseconds() / 1000000);
}
