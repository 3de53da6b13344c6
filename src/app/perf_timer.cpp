// SPDX-License-Identifier: MIT
// The clock over QueryPerformanceCounter.
#include "app/perf_timer.h"

#include "platform/windows.h"

namespace {

// ticks * units / frequency rounded as MulDiv rounds (halves away from zero),
// but on the full 64-bit tick count, so that the clock never wraps however
// fast the counter runs or however long the show has gone on. -1 for a zero
// frequency and for results beyond 32 bits, as MulDiv answers.
int32_t ScaleTicks(int64_t ticks, int32_t units, int64_t frequency) {
  if (frequency == 0)
    return -1;
  __int128 product = __int128(ticks) * units; // cannot overflow: 64 + 32 bits
  __int128 divisor = frequency;
  if (divisor < 0) {
    divisor = -divisor;
    product = -product;
  }
  const __int128 half = divisor / 2;
  const __int128 result = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
  if (result > INT32_MAX || result < INT32_MIN)
    return -1;
  return int32_t(result);
}

} // namespace

PerfTimer::PerfTimer() : startCount(0), currentCount(0), frequency(0) {
  LARGE_INTEGER value;
  if (QueryPerformanceFrequency(&value))
    frequency = value.QuadPart;
}

void PerfTimer::Start() {
  LARGE_INTEGER value;
  QueryPerformanceCounter(&value);
  startCount = value.QuadPart;
}

int32_t PerfTimer::Elapsed(int32_t unitsPerSecond) {
  LARGE_INTEGER value;
  QueryPerformanceCounter(&value);
  currentCount = value.QuadPart;
  return ScaleTicks(currentCount - startCount, unitsPerSecond, frequency);
}
