// SPDX-License-Identifier: MIT
// Proves the twirl's two swings: the power phase ends at 18000 ms, each step
// is rounded to a float with the lower limit tested on the unrounded sum, and
// the turns come where the float arithmetic puts them.
#include "effects/logo_twirl_effect.h"

#include <gtest/gtest.h>

namespace {

struct Swings {
  float exponent = 1.0f;
  float twist = 0;
  float velocity = 0.1f;
  void Step(int timeMs) { LogoTwirlEffect::Advance(timeMs, exponent, twist, velocity); }
};

} // namespace

TEST(TwirlAnimation, FirstFrameRaisesThePowerOnly) {
  Swings s;
  s.Step(12500);
  EXPECT_FLOAT_EQ(s.exponent, 1.1f);
  EXPECT_EQ(s.twist, 0.0f);
  EXPECT_EQ(s.velocity, 0.1f);
}

TEST(TwirlAnimation, PowerTurnsAtTheTwentySeventhStepNearThreePointSeven) {
  Swings s;
  for (int i = 0; i < 26; ++i)
    s.Step(13000);
  EXPECT_LT(s.exponent, 3.6f) << "26 float steps of 0.1 stay just under 3.6";
  EXPECT_NEAR(s.exponent, 3.5999987f, 1e-6);
  EXPECT_EQ(s.velocity, 0.1f);
  s.Step(13000);
  EXPECT_NEAR(s.exponent, 3.7f, 1e-5);
  EXPECT_EQ(s.velocity, -0.05f);
}

TEST(TwirlAnimation, LowerLimitIsTestedOnTheUnroundedSum) {
  // 0.25f + -0.05f is 0.1999999993 in double but rounds to 0.2000000030 as a
  // float: only the unrounded sum reaches the limit.
  Swings s;
  s.exponent = 0.25f;
  s.velocity = -0.05f;
  s.Step(14000);
  EXPECT_GT(double(s.exponent), 0.2) << "the stored float alone would not turn";
  EXPECT_EQ(s.velocity, 0.05f);
}

TEST(TwirlAnimation, PowerSwingsBetweenAboutPointOneFiveAndThreePointSeven) {
  Swings s;
  float low = 10, high = -10;
  for (int i = 0; i < 3000; ++i) {
    s.Step(15000);
    low = std::min(low, s.exponent);
    high = std::max(high, s.exponent);
  }
  EXPECT_NEAR(low, 0.15f, 1e-4);
  EXPECT_NEAR(high, 3.7f, 1e-4);
  EXPECT_EQ(s.twist, 0.0f);
}

TEST(TwirlAnimation, TwirlPhaseStartsAt18000AndKeepsThePower) {
  Swings s;
  for (int i = 0; i < 40; ++i) // past the turn: the power now falls by 0.05
    s.Step(17999);
  const float power = s.exponent;
  EXPECT_EQ(s.velocity, -0.05f);
  s.Step(18000);
  EXPECT_EQ(s.exponent, power);
  EXPECT_FLOAT_EQ(s.twist, -0.05f) << "the twirl starts with the step the power left behind";
  for (int i = 0; i < 3000; ++i)
    s.Step(24000);
  EXPECT_EQ(s.exponent, power);
}

TEST(TwirlAnimation, TwistSwingsBetweenAboutMinusAndPlusTwoPointFourFive) {
  Swings s;
  s.velocity = 0.05f;
  float low = 10, high = -10;
  for (int i = 0; i < 3000; ++i) {
    s.Step(20000);
    low = std::min(low, s.twist);
    high = std::max(high, s.twist);
  }
  EXPECT_NEAR(low, -2.45f, 1e-3);
  EXPECT_NEAR(high, 2.45f, 1e-3);
}
