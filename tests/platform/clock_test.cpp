// SPDX-License-Identifier: MIT
// Proves the kernel clock calls keep Win32's contracts: MulDiv's rounding and
// its -1 answers, a 10 MHz counter that never runs backwards, and a counter
// source that tests can replace and restore.
#include "platform/kernel.h"
#include "platform/tap.h"

#include <gtest/gtest.h>

#include <climits>

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);   // 2.5 -> 3
  EXPECT_EQ(MulDiv(-5, 1, 2), -3); // -2.5 -> -3
  EXPECT_EQ(MulDiv(7, 1, 3), 2);   // 2.33 -> 2
  EXPECT_EQ(MulDiv(8, 1, 3), 3);   // 2.67 -> 3
  EXPECT_EQ(MulDiv(5, 1, -2), -3); // a negative divisor flips the sign only
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
}

TEST(MulDiv, KeepsTheFull64BitProduct) {
  EXPECT_EQ(MulDiv(1274999999, 1, 10000000), 127);
  EXPECT_EQ(MulDiv(1275000000, 1, 10000000), 128);
  EXPECT_EQ(MulDiv(2000000000, 1000, 10000000), 200000);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
}

TEST(MulDiv, AnswersMinusOneForZeroDivisorAndOverflow) {
  EXPECT_EQ(MulDiv(10, 10, 0), -1);
  EXPECT_EQ(MulDiv(0, 10, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, 2, 1), -1);
}

TEST(PerformanceCounter, RunsAtTenMegahertzAndNeverBackwards) {
  LARGE_INTEGER frequency;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 10000000);

  LARGE_INTEGER first, second;
  ASSERT_TRUE(QueryPerformanceCounter(&first));
  ASSERT_TRUE(QueryPerformanceCounter(&second));
  EXPECT_GE(second.QuadPart, first.QuadPart);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
  EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
}

TEST(PerformanceCounter, TakesItsTicksFromAReplacedSourceUntilRestored) {
  int64_t ticks = 1234;
  PlatformSetCounterSource([](void *user) { return *static_cast<int64_t *>(user); }, &ticks);
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  EXPECT_EQ(count.QuadPart, 1234);
  ticks = int64_t(1) << 40;
  QueryPerformanceCounter(&count);
  EXPECT_EQ(count.QuadPart, int64_t(1) << 40);

  PlatformSetCounterSource(nullptr, nullptr);
  QueryPerformanceCounter(&count);
  EXPECT_NE(count.QuadPart, int64_t(1) << 40);
}
