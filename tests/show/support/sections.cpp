// SPDX-License-Identifier: MIT
// Pixel statistics of the show's sections. The logo is white where it is
// transparent, and its letters are chrome: blue sky over an orange floor.
#include "sections.h"

#include <gtest/gtest.h>

#include <string>

namespace showkit {

// Only the zoom is a function of the time alone; the other effects step once
// per frame, so the statistics hold whatever the frame rate was.
bool Orange(int r, int, int b) {
  return r >= 180 && b <= 150 && r - b >= 70;
}
bool White(int r, int g, int b) {
  return r >= 232 && g >= 232 && b >= 232;
}

void ExpectSection(int section, const Picture &picture, const char *what) {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  ASSERT_TRUE(picture.NonWhiteBox(&x0, &y0, &x1, &y1)) << what << ": nothing drawn";
  const double width = double(x1 - x0) / picture.width, height = double(y1 - y0) / picture.height;
  const double orange = picture.Share(Orange), white = picture.Share(White);
  const std::string seen = std::string(what) + ": orange " + std::to_string(orange) + ", white " +
                           std::to_string(white) + ", drawn over " + std::to_string(width) + " x " +
                           std::to_string(height) + " of the screen";
  switch (section) {
  case 0: // the logo, 6 s into its zoom: wider than the view, a band across it
    EXPECT_GT(orange, 0.02) << seen;
    EXPECT_GT(width, 0.9) << seen;
    EXPECT_LT(height, 0.8) << seen;
    break;
  case 1: // the twirled logo on its grid, inside the view
    EXPECT_GT(orange, 0.005) << seen;
    EXPECT_TRUE(width > 0.5 && width < 0.92) << seen;
    EXPECT_TRUE(height > 0.3 && height < 0.8) << seen;
    break;
  case 2: // the turning quad, tiled with ever more logos, fills the screen
    EXPECT_GT(orange, 0.02) << seen;
    EXPECT_LT(white, 0.8) << seen;
    EXPECT_TRUE(x0 == 0 && y0 == 0 && x1 == picture.width && y1 == picture.height) << seen;
    break;
  case 3: // sphere-mapped objects (small while they are far away), no logo
    EXPECT_LT(orange, 0.001) << seen;
    EXPECT_GT(white, 0.85) << seen;
    break;
  case 4: // the waving logo on its small quad
    EXPECT_GT(orange, 0.003) << seen;
    EXPECT_TRUE(width > 0.35 && width < 0.65) << seen;
    EXPECT_TRUE(height > 0.1 && height < 0.3) << seen;
    break;
  }
}

} // namespace showkit
