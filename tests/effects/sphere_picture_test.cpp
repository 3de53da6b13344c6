// SPDX-License-Identifier: MIT
// Proves the sphere's frames: 52000 ms draws the full view only and 52001 ms
// adds the inset; outside the 320 x 200 box the inset changes no pixel;
// texture generation and the scissor test are left on or off as each kind of
// frame leaves them; the picture is the sphere-mapped scene on white.
#include "support/effect_stage.h"

#include "effects/sphere_effect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const int kWidth = 640, kHeight = 480;
const int kInsetWidth = 320, kInsetHeight = 200;
const uint32_t kYellow = 0xFFFF00, kCyan = 0x00FFFF, kMagenta = 0xFF00FF, kGrey = 0x808080;

class SphereFrames : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(stage.Ready()) << "no window or GL context"; }
  std::unique_ptr<SphereEffect> Make() {
    return std::unique_ptr<SphereEffect>(
        new SphereEffect(stage.context.get(), stage.archive.get(), "Effect Testing!!!", 44500, 89000));
  }
  // Pixels of the two frames that differ, inside and outside the inset box
  // (the box is the lower-left corner; frames are top row first).
  static void Differences(const Frame &a, const Frame &b, int *inside, int *outside) {
    *inside = *outside = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) {
        const bool differs = std::memcmp(a.At(x, y), b.At(x, y), 3) != 0;
        const bool inBox = x < kInsetWidth && y >= a.height - kInsetHeight;
        (inBox ? *inside : *outside) += differs;
      }
  }
  static double MapShare(const Frame &f, int x0, int y0, int x1, int y1) {
    double share = 0;
    for (uint32_t colour : {kYellow, kCyan, kMagenta, kGrey})
      share += f.ShareNear(colour, x0, y0, x1, y1);
    return share;
  }
  EffectStage stage{kWidth, kHeight};
};

} // namespace

TEST_F(SphereFrames, InsetComesStrictlyAfter52000AndStaysInsideItsBox) {
  // Two effects in the same state: one frame each, at 52000 and 52001.
  std::unique_ptr<SphereEffect> plain = Make(), inset = Make();
  for (int i = 0; i < 20; ++i) {
    plain->Render(50000);
    inset->Render(50000);
  }
  ASSERT_TRUE(plain->Render(52000));
  const Frame without = stage.LastFrame();
  ASSERT_TRUE(inset->Render(52001));
  const Frame with = stage.LastFrame();
  int inside, outside;
  Differences(without, with, &inside, &outside);
  EXPECT_EQ(outside, 0) << "the inset pass touched pixels outside its box";
  // The box holds a second, smaller view of the scene at 52001 only.
  const int top = kHeight - kInsetHeight;
  EXPECT_EQ(MapShare(without, 0, top, kInsetWidth, kHeight), 0.0);
  EXPECT_GT(MapShare(with, 0, top, kInsetWidth, kHeight), 0.02);
  EXPECT_GT(with.ShareNear(kBlack, 0, top, kInsetWidth, kHeight, 40), 0.01) << "the wireframe cone";
  EXPECT_GT(inside, kInsetWidth * kInsetHeight / 20);
}

TEST_F(SphereFrames, StateLeftBehindByEachKindOfFrame) {
  std::unique_ptr<SphereEffect> sphere = Make();
  GLint viewport[4];

  ASSERT_TRUE(sphere->Render(52000));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

  ASSERT_TRUE(sphere->Render(52001));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], kWidth) << "the remembered full-window viewport is back";
  EXPECT_EQ(viewport[3], kHeight);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLint polygonMode[2];
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  EXPECT_EQ(polygonMode[0], GL_FILL);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SphereFrames, PictureIsTheSphereMappedSceneOnWhite) {
  std::unique_ptr<SphereEffect> sphere = Make();
  for (int i = 0; i < 10; ++i) // the sphere has left the near plane
    sphere->Render(46000);
  const Frame &f = stage.LastFrame();
  EXPECT_GT(f.ShareNear(kWhite), 0.7) << "white background";
  // The sphere in the middle shows all four colours of the map.
  const int cx = kWidth / 2, cy = kHeight / 2;
  for (uint32_t colour : {kYellow, kCyan, kMagenta, kGrey})
    EXPECT_GT(f.ShareNear(colour, cx - 50, cy - 40, cx + 50, cy + 40), 0.03) << std::hex << colour;
  EXPECT_GT(MapShare(f, 0, 0, kWidth, kHeight), 0.02) << "the sphere and the solid cone";
  EXPECT_GT(f.ShareNear(kBlack, 40), 0.01) << "the black wireframe cone";
}

TEST(SphereAnglesInFrames, SphereAngleWrapsAtTheNineHundredAndFirstFrame) {
  EffectStage stage(64, 48); // 901 frames: keep them small
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  stage.Capture(false);
  SphereEffect sphere(stage.context.get(), stage.archive.get(), "Effect Testing!!!", 44500, 89000);
  for (int i = 0; i < 900; ++i)
    sphere.Render(60000);
  EXPECT_GT(sphere.sphereAngle, 359.0f);
  sphere.Render(60000);
  EXPECT_LT(sphere.sphereAngle, 1.0f);
  EXPECT_NEAR(sphere.cylinderAngle, 901 * 0.2f, 0.05) << "the cylinder angle wraps only at its 1800th step";
}
