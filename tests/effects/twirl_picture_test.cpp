// SPDX-License-Identifier: MIT
// Proves the twirl's frames: the first active frame raises the power to 1.1
// and leaves the twist at 0, showing the upright logo on a mesh in the middle
// of a white view; the power turns at its 27th frame; 18000 ms is the first
// frame of the twirl phase and the power keeps its value; the grid's corners
// never move.
#include "support/effect_stage.h"

#include "effects/logo_twirl_effect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const int kWidth = 320, kHeight = 240;
// 2.5 units from the eye the 55-degree view is 2 * 2.5 * tan(27.5 deg) units across.
const double kViewUnits = 2 * 2.5 * std::tan(27.5 * M_PI / 180);

int PixelX(double x) {
  return int((x / kViewUnits + 0.5) * kWidth);
}
int PixelY(double y) {
  return int((0.5 - y / kViewUnits) * kHeight);
}

class TwirlFrames : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(stage.Ready()) << "no window or GL context";
    twirl.reset(new LogoTwirlEffect(stage.context.get(), stage.archive.get(), "Effect Testing!!!", 12500, 25000));
  }
  EffectStage stage{kWidth, kHeight};
  std::unique_ptr<LogoTwirlEffect> twirl;
};

} // namespace

TEST_F(TwirlFrames, FirstFrameIsSlightlyPinchedAndUpright) {
  ASSERT_TRUE(twirl->Render(12500));
  EXPECT_FLOAT_EQ(twirl->exponent, 1.1f);
  EXPECT_EQ(twirl->twist, 0.0f);

  const Frame &f = stage.LastFrame();
  int x0, y0, x1, y1;
  ASSERT_TRUE(f.NonWhiteBox(&x0, &y0, &x1, &y1));
  // The mesh spans x -1 to 1.025 and y -0.9 to 0.9; its rim lies on or outside
  // the unit circle and does not move.
  EXPECT_NEAR(x0, PixelX(-1), 2);
  EXPECT_NEAR(x1, PixelX(1.025), 2);
  EXPECT_NEAR(y0, PixelY(0.9), 2);
  EXPECT_NEAR(y1, PixelY(-0.9), 2);
  // Drawn opaque and upright: red top left, green top right, blue bottom left, black bottom right.
  EXPECT_GT(f.ShareNear(kRed, PixelX(-0.95), PixelY(0.85), PixelX(-0.7), PixelY(0.6)), 0.95);
  EXPECT_GT(f.ShareNear(kGreen, PixelX(0.7), PixelY(0.85), PixelX(0.95), PixelY(0.6)), 0.95);
  EXPECT_GT(f.ShareNear(kBlue, PixelX(-0.95), PixelY(-0.6), PixelX(-0.7), PixelY(-0.85)), 0.95);
  EXPECT_GT(f.ShareNear(kBlack, PixelX(0.7), PixelY(-0.6), PixelX(0.95), PixelY(-0.85)), 0.95);
}

TEST_F(TwirlFrames, PowerTurnsAtTheTwentySeventhFrame) {
  for (int i = 0; i < 26; ++i)
    twirl->Render(13000);
  EXPECT_EQ(twirl->velocity, 0.1f);
  twirl->Render(13000);
  EXPECT_NEAR(twirl->exponent, 3.7f, 1e-5);
  EXPECT_EQ(twirl->velocity, -0.05f);
}

TEST_F(TwirlFrames, TwirlPhaseStartsAt18000AndThePowerKeepsItsValue) {
  for (int i = 0; i < 30; ++i)
    twirl->Render(17000 + i);
  twirl->Render(17999);
  const float power = twirl->exponent;
  ASSERT_TRUE(twirl->Render(18000));
  EXPECT_EQ(twirl->exponent, power);
  EXPECT_FLOAT_EQ(twirl->twist, -0.05f);
}

TEST_F(TwirlFrames, GridCornersNeverMove) {
  const int corners[] = {0, LogoTwirlEffect::kRows - 1, (LogoTwirlEffect::kColumns - 1) * LogoTwirlEffect::kRows,
                         LogoTwirlEffect::kColumns * LogoTwirlEffect::kRows - 1};
  // (c, r) = (0, 0), (0, 19), (27, 0), (27, 19) land at (x, -y).
  const float expectedX[] = {-1, -1, 1.025f, 1.025f};
  const float expectedY[] = {1, -0.9f, 1, -0.9f};
  for (int frame = 0; frame < 120; ++frame) {
    twirl->Render(frame < 60 ? 14000 : 20000);
    for (int i = 0; i < 4; ++i) {
      ASSERT_NEAR(twirl->gridX[corners[i]], expectedX[i], 1e-5) << "frame " << frame;
      ASSERT_NEAR(twirl->gridY[corners[i]], expectedY[i], 1e-5) << "frame " << frame;
    }
  }
}
