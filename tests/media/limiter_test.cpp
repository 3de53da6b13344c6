// SPDX-License-Identifier: MIT
// Proves that the master limiter keeps every sample under its ceiling, moves
// its gain smoothly (no clicks of its own) and leaves quiet audio untouched.
#include "synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<float> Sine(size_t frames, float amplitude) {
  std::vector<float> x(frames * 2);
  for (size_t i = 0; i < frames; ++i)
    x[2 * i] = x[2 * i + 1] = amplitude * float(std::sin(i * 0.05));
  return x;
}

TEST(Limiter, NoSampleExceedsTheCeiling) {
  std::vector<float> x = Sine(44100, 0.5f);
  for (size_t i = 5000; i < 9000; ++i)
    x[2 * i] *= 3.0f;       // a loud stretch on the left
  x[2 * 20000 + 1] = -1.7f; // a lone spike on the right
  media::synth::LimiterStats stats = media::synth::LimitPeaks(x, 0.8f, 0.004, 0.15);
  float peak = 0;
  for (float v : x)
    peak = std::max(peak, std::fabs(v));
  EXPECT_LE(peak, 0.8f + 1e-6f);
  EXPECT_LT(stats.deepestGain, 0.6f);
  EXPECT_GT(stats.shareBelow1dB, 0.0);
}

TEST(Limiter, GainFallsGraduallyBeforeAPeakAndRecoversSmoothly) {
  const size_t frames = 20000, spike = 10000;
  std::vector<float> x(frames * 2, 0.5f);
  x[2 * spike] = 2.0f;
  media::synth::LimitPeaks(x, 0.8f, 0.004, 0.15);
  const float maxStep = 1.0f / (0.004f * 44100) + 1e-6f;
  for (size_t i = 1; i < frames; ++i) { // the right channel is a steady 0.5: out / 0.5 is the gain
    float step = std::fabs(x[2 * i + 1] / 0.5f - x[2 * (i - 1) + 1] / 0.5f);
    ASSERT_LE(step, maxStep) << "the gain jumps at frame " << i;
  }
  EXPECT_LE(x[2 * spike], 0.8f + 1e-6f);
  EXPECT_LT(x[2 * (spike - 20) + 1], 0.5f); // already turned down ahead of the spike
}

TEST(Limiter, QuietAudioPassesUntouched) {
  std::vector<float> x = Sine(10000, 0.5f);
  const std::vector<float> before = x;
  media::synth::LimiterStats stats = media::synth::LimitPeaks(x, 0.8f, 0.004, 0.15);
  EXPECT_EQ(x, before);
  EXPECT_EQ(stats.deepestGain, 1.0f);
}

} // namespace
