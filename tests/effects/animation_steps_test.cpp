// SPDX-License-Identifier: MIT
// Proves the per-frame steps of the zoom and the sphere: the zoom's distance
// is a function of the show time alone, and the sphere's two float angles wrap
// past 360 at the steps their float sums reach it.
#include "effects/logo_zoom_effect.h"
#include "effects/sphere_effect.h"

#include <gtest/gtest.h>

TEST(ZoomDistance, RecedesFrom25To325UnitsOverTheWindow) {
  EXPECT_EQ(LogoZoomEffect::DistanceAt(12500, 0), 25.0f);
  EXPECT_FLOAT_EQ(LogoZoomEffect::DistanceAt(12500, 6250), 175.0f);
  EXPECT_FLOAT_EQ(LogoZoomEffect::DistanceAt(12500, 12500), 325.0f);
  EXPECT_FLOAT_EQ(LogoZoomEffect::DistanceAt(12500, 1000) - LogoZoomEffect::DistanceAt(12500, 0), 24.0f);
}

TEST(ZoomDistance, QuarterIsAnIntegerDivision) {
  // 12503 / 4 is 3125 as an integer: the same speed as 12500.
  EXPECT_EQ(LogoZoomEffect::DistanceAt(12503, 5000), LogoZoomEffect::DistanceAt(12500, 5000));
  EXPECT_EQ(LogoZoomEffect::DistanceAt(3, 1000), 25.0f) << "no quarter to divide by";
}

TEST(SphereAngles, SphereAngleWrapsAtItsNineHundredAndFirstStep) {
  float angle = 0;
  for (int step = 1; step <= 900; ++step)
    angle = SphereEffect::AdvanceAngle(angle, 0.4f);
  EXPECT_GT(angle, 359.0f);
  angle = SphereEffect::AdvanceAngle(angle, 0.4f);
  EXPECT_LT(angle, 1.0f);
}

TEST(SphereAngles, CylinderAngleWrapsAtItsEighteenHundredthStep) {
  float angle = 0;
  for (int step = 1; step <= 1799; ++step)
    angle = SphereEffect::AdvanceAngle(angle, 0.2f);
  EXPECT_GT(angle, 359.0f);
  angle = SphereEffect::AdvanceAngle(angle, 0.2f);
  EXPECT_LT(angle, 1.0f);
}
