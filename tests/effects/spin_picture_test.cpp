// SPDX-License-Identifier: MIT
// Proves the spin's frames: the first frame scrolls to -0.1 and turns the
// screen-filling quad by -2 degrees; after ten frames the texture range has
// shrunk to about nothing and the whole view is one flat colour; the spin is
// never wrapped.
#include "support/effect_stage.h"

#include "effects/logo_spin_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const int kWidth = 320, kHeight = 240;

class SpinFrames : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(stage.Ready()) << "no window or GL context";
    spin.reset(new LogoSpinEffect(stage.context.get(), stage.archive.get(), "Effect Testing!!!", 25000, 44500));
  }
  EffectStage stage{kWidth, kHeight};
  std::unique_ptr<LogoSpinEffect> spin;
};

} // namespace

TEST_F(SpinFrames, FirstFrameFillsTheViewWithTheLogoTurnedClockwise) {
  ASSERT_TRUE(spin->Render(25000));
  EXPECT_FLOAT_EQ(spin->scroll, -0.1f);
  EXPECT_FLOAT_EQ(spin->spin, -2.0f);
  const Frame &f = stage.LastFrame();
  EXPECT_EQ(f.ShareNear(kWhite), 0.0) << "the turning quad covers the whole view";
  const double logo = f.ShareNear(kRed) + f.ShareNear(kGreen) + f.ShareNear(kBlue) + f.ShareNear(kBlack);
  EXPECT_GT(logo, 0.99) << "unfiltered texels, no mixed colours";
  // Texture coordinates 0 to 0.9 magnify the logo: mostly its top-left
  // (red) and bottom-left (blue) quadrants, a little of the other two.
  EXPECT_GT(f.ShareNear(kRed), 0.3);
  EXPECT_GT(f.ShareNear(kBlue), 0.2);
  EXPECT_GT(f.ShareNear(kGreen), 0.01);
  EXPECT_GT(f.ShareNear(kBlack), 0.01);
  // The red-blue edge falls to the right: turned 2 degrees clockwise (the
  // view's aspect of 1 squeezes the slope by height / width).
  auto edgeAt = [&f](int x) {
    int y = 0;
    while (y < f.height && !f.ShareNear(kBlue, x, y, x + 1, y + 1))
      ++y;
    return y;
  };
  const int left = edgeAt(10), right = edgeAt(250);
  EXPECT_NEAR(right - left, 240 * std::tan(2 * M_PI / 180) * kHeight / kWidth, 1.0);
}

TEST_F(SpinFrames, AfterTenFramesTheQuadIsOneFlatColour) {
  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(spin->Render(26000 + i));
  EXPECT_NEAR(spin->scroll + 1, 0.0f, 1e-6);
  const Frame &f = stage.LastFrame();
  for (size_t i = 4; i < f.rgba.size(); i += 4)
    ASSERT_EQ(0, std::memcmp(&f.rgba[i], &f.rgba[0], 3)) << "pixel " << i / 4;
  EXPECT_EQ(f.ShareNear(kWhite), 0.0);
}

TEST_F(SpinFrames, SpinIsNeverWrapped) {
  stage.Capture(false);
  for (int i = 0; i < 200; ++i)
    spin->Render(30000);
  EXPECT_NEAR(spin->spin, -400.0f, 1e-3);
  EXPECT_NEAR(spin->scroll, -20.0f, 1e-3);
}
