// SPDX-License-Identifier: MIT
// Proves the show's clock: rounding to the nearest unit (the show ends at
// 127.5 s of counter time), -1 without a counter frequency, and no wrap when
// the tick difference passes 2^31 or the counter's low half wraps.
#include "app/perf_timer.h"

#include "platform/tap.h"

#include <gtest/gtest.h>

namespace {

class Clock : public ::testing::Test {
protected:
  void SetUp() override {
    PlatformSetCounterSource([](void *user) { return *static_cast<int64_t *>(user); }, &now);
  }
  void TearDown() override { PlatformSetCounterSource(nullptr, nullptr); }
  int64_t now = 0; // what QueryPerformanceCounter answers, at 10 MHz
};

} // namespace

TEST_F(Clock, RoundsToTheNearestUnit) {
  PerfTimer timer;
  now = 5000;
  timer.Start();
  now = 5000 + 1274999999;
  EXPECT_EQ(timer.Elapsed(PerfTimer::kSeconds), 127);
  now = 5000 + 1275000000;
  EXPECT_EQ(timer.Elapsed(PerfTimer::kSeconds), 128);
  now = 5000 + 12345678;
  EXPECT_EQ(timer.Elapsed(PerfTimer::kMilliseconds), 1235);
  EXPECT_EQ(timer.Elapsed(PerfTimer::kTenths), 12);
  EXPECT_EQ(timer.Elapsed(PerfTimer::kHundredThousandths), 123457);
  EXPECT_EQ(timer.currentCount, 5000 + 12345678);
}

TEST_F(Clock, MeasuresEveryReadingFromStart) {
  PerfTimer timer;
  timer.Start();
  now = 10000000;
  EXPECT_EQ(timer.Elapsed(PerfTimer::kMilliseconds), 1000);
  now = 20000000;
  EXPECT_EQ(timer.Elapsed(PerfTimer::kMilliseconds), 2000);
  EXPECT_EQ(timer.startCount, 0);
}

TEST_F(Clock, WithoutAFrequencyEveryReadingIsMinusOne) {
  PerfTimer timer;
  timer.frequency = 0;
  timer.Start();
  now = 123456789;
  EXPECT_EQ(timer.Elapsed(PerfTimer::kSeconds), -1);
  EXPECT_EQ(timer.Elapsed(PerfTimer::kMilliseconds), -1);
}

TEST_F(Clock, DoesNotWrapBeyondTwoToTheThirtyOneTicks) {
  PerfTimer timer;
  now = (int64_t(1) << 32) - 1000; // the counter's low half wraps during the run
  timer.Start();
  now += 3000000000; // 300 s: more than 2^31 ticks
  EXPECT_EQ(timer.Elapsed(PerfTimer::kSeconds), 300);
  EXPECT_EQ(timer.Elapsed(PerfTimer::kMilliseconds), 300000);
  now += int64_t(10000000) * 86400 * 30; // a month on
  EXPECT_EQ(timer.Elapsed(PerfTimer::kSeconds), 300 + 86400 * 30);
}

TEST_F(Clock, ResultsBeyondThirtyTwoBitsAreMinusOne) {
  PerfTimer timer;
  timer.Start();
  now = int64_t(10000000) * 3000000; // 3e6 s: 3e9 ms does not fit
  EXPECT_EQ(timer.Elapsed(PerfTimer::kMilliseconds), -1);
  EXPECT_EQ(timer.Elapsed(PerfTimer::kSeconds), 3000000);
}
