// SPDX-License-Identifier: MIT
// The show's clock: time since Start on the performance counter, rounded to
// the nearest unit of a chosen scale.
#pragma once
#include <cstdint>

class PerfTimer {
public:
  // Time scales, in units per second.
  static constexpr int32_t kSeconds = 1;
  static constexpr int32_t kTenths = 10;
  static constexpr int32_t kHundredths = 100;
  static constexpr int32_t kMilliseconds = 1000;
  static constexpr int32_t kTenThousandths = 10000;
  static constexpr int32_t kHundredThousandths = 100000;

  PerfTimer(); // reads the counter frequency

  void Start();
  // Time since Start in units of 1/unitsPerSecond s, to the nearest unit
  // (halves away from zero). -1 when the counter has no frequency or the
  // result does not fit in 32 bits.
  int32_t Elapsed(int32_t unitsPerSecond);

  int64_t startCount;   // counter at Start
  int64_t currentCount; // counter at the latest Elapsed
  int64_t frequency;    // counter ticks per second; 0 without a counter
};
