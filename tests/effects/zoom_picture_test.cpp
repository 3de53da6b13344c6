// SPDX-License-Identifier: MIT
// Proves the zoom's picture: at 0 ms the upright logo overfills the view; at
// 12500 ms it covers about 30 % of the view's height although it lies beyond
// the far value of 100; a frame depends on the show time alone.
#include "support/effect_stage.h"

#include "effects/logo_zoom_effect.h"

#include <gtest/gtest.h>

namespace {

const int kWidth = 320, kHeight = 240;

class ZoomPicture : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(stage.Ready()) << "no window or GL context";
    zoom.reset(new LogoZoomEffect(stage.context.get(), stage.archive.get(), "Effect Testing!!!", 0, 12500));
  }
  EffectStage stage{kWidth, kHeight};
  std::unique_ptr<LogoZoomEffect> zoom;
};

} // namespace

TEST_F(ZoomPicture, AtZeroTheUprightLogoOverfillsTheView) {
  ASSERT_TRUE(zoom->Render(0));
  EXPECT_EQ(zoom->distance, 25.0f);
  const Frame &f = stage.LastFrame();
  EXPECT_EQ(f.ShareNear(kWhite), 0.0) << "no background shows in any row or column";
  // The view shows the middle of the logo, magnified: all four quadrants meet
  // there, upright and not mirrored.
  EXPECT_GT(f.ShareNear(kRed, 0, 0, 40, 40), 0.95);
  EXPECT_GT(f.ShareNear(kGreen, kWidth - 40, 0, kWidth, 40), 0.95);
  EXPECT_GT(f.ShareNear(kBlue, 0, kHeight - 40, 40, kHeight), 0.95);
  EXPECT_GT(f.ShareNear(kBlack, kWidth - 40, kHeight - 40, kWidth, kHeight), 0.95);
}

TEST_F(ZoomPicture, At12500TheLogoCoversAboutThirtyPercentOfTheHeightBeyondTheFarValue) {
  ASSERT_TRUE(zoom->Render(12500));
  EXPECT_FLOAT_EQ(zoom->distance, 325.0f);
  int x0, y0, x1, y1;
  ASSERT_TRUE(stage.LastFrame().NonWhiteBox(&x0, &y0, &x1, &y1)) << "the quad beyond 100 units is still drawn";
  // At 325 units the view is 2 * 325 * tan(27.5 deg) = 338.4 units high.
  EXPECT_NEAR(double(y1 - y0) / kHeight, 100 / 338.4, 0.01);
  EXPECT_NEAR(double(x1 - x0) / kWidth, 200 / 338.4, 0.01);
  EXPECT_NEAR((x0 + x1) / 2.0, kWidth / 2.0 - 2 / 338.4 * kWidth, 1.5) << "centred 2 units left";
  EXPECT_NEAR((y0 + y1) / 2.0, kHeight / 2.0, 1.0);
}

TEST_F(ZoomPicture, AFrameDependsOnTheShowTimeAlone) {
  ASSERT_TRUE(zoom->Render(5000));
  const Frame first = stage.LastFrame();
  zoom->Render(9000);
  zoom->Render(2000);
  ASSERT_TRUE(zoom->Render(5000));
  EXPECT_EQ(stage.LastFrame().rgba, first.rgba);
}
