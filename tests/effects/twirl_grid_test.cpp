// SPDX-License-Identifier: MIT
// Proves the twirl grid's geometry: the undistorted grid is the flat image
// mirrored top to bottom, points on or outside the unit circle never move, and
// inside it the power and the twist act on radius and angle.
#include "effects/logo_twirl_effect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const int kColumns = LogoTwirlEffect::kColumns;
const int kRows = LogoTwirlEffect::kRows;

struct Grid {
  float x[kColumns * kRows];
  float y[kColumns * kRows];
  Grid(float exponent, float twist) { LogoTwirlEffect::BuildGrid(exponent, twist, 1.0f, x, y); }
};

double FlatX(int c) {
  return -1 + 0.075 * c;
}
double FlatY(int r) {
  return -1 + 0.1 * r;
}

} // namespace

TEST(TwirlGrid, PowerOneAndNoTwistGiveTheFlatGridMirrored) {
  Grid g(1.0f, 0.0f);
  for (int c = 0; c < kColumns; ++c)
    for (int r = 0; r < kRows; ++r) {
      EXPECT_NEAR(g.x[c * kRows + r], FlatX(c), 1e-5) << c << "," << r;
      EXPECT_NEAR(g.y[c * kRows + r], -FlatY(r), 1e-5) << c << "," << r;
    }
  EXPECT_NEAR(g.y[0], 1.0f, 1e-6) << "row 0 ends up at the top";
}

TEST(TwirlGrid, PointsOnOrOutsideTheUnitCircleNeverMove) {
  const Grid flat(1.0f, 0.0f);
  const float settings[][2] = {{0.15f, 2.45f}, {3.7f, -2.45f}, {1.1f, 0.0f}, {0.5f, 1.0f}};
  for (const auto &setting : settings) {
    Grid g(setting[0], setting[1]);
    for (int c = 0; c < kColumns; ++c)
      for (int r = 0; r < kRows; ++r) {
        if (std::hypot(FlatX(c), FlatY(r)) < 1)
          continue;
        const int i = c * kRows + r;
        EXPECT_NEAR(g.x[i], flat.x[i], 1e-5) << c << "," << r;
        EXPECT_NEAR(g.y[i], flat.y[i], 1e-5) << c << "," << r;
      }
    // The four corners in particular.
    for (int i : {0, kRows - 1, (kColumns - 1) * kRows, kColumns * kRows - 1}) {
      EXPECT_EQ(g.x[i], flat.x[i]);
      EXPECT_EQ(g.y[i], flat.y[i]);
    }
  }
}

TEST(TwirlGrid, PowerPullsInsidePointsTowardsTheCentreAndTwistTurnsThem) {
  // Point (c, r) = (8, 6): x = -0.4, y = -0.4, radius about 0.566.
  const int i = 8 * kRows + 6;
  const double radius = std::hypot(-0.4, -0.4);
  const double angle = -std::atan2(-0.4, -0.4);

  Grid pinched(2.0f, 0.0f);
  EXPECT_NEAR(std::hypot(pinched.x[i], pinched.y[i]), radius * radius, 1e-5);
  EXPECT_NEAR(std::atan2(pinched.y[i], pinched.x[i]), angle, 1e-5);

  Grid twirled(1.0f, 1.5f);
  EXPECT_NEAR(std::hypot(twirled.x[i], twirled.y[i]), radius, 1e-5);
  EXPECT_NEAR(std::remainder(std::atan2(twirled.y[i], twirled.x[i]) - angle, 2 * M_PI), (1 - radius) * 1.5, 1e-5);
}
