// SPDX-License-Identifier: MIT
// Proves the wave's frames: the texture shows the unshifted image until the
// first active frame; that frame uploads rows shifted by 0 (rows 0-1), 1
// (2-4), 2 (5-7) and 3 (8-21); the last row never changes; the picture is the
// logo on a quad about 55 % of the view wide and 27 % high, on white.
#include "support/effect_stage.h"

#include "effects/logo_wave_effect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const int kWidth = 320, kHeight = 240;
const int kSide = 64;

// Pixel (x, y) holds x, y, 7, 255: an uploaded pixel tells where it came from.
Bytes NumberedPixels() {
  Bytes pixels(kSide * kSide * 4);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      uint8_t *p = &pixels[(y * kSide + x) * 4];
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 7, p[3] = 255;
    }
  return pixels;
}

Bytes TextureOf(GLuint texture) {
  Bytes pixels(kSide * kSide * 4);
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// How far row y of the uploaded texture is shifted left (negative: right).
int ShiftOf(const Bytes &texture, int y) {
  const uint8_t *p = &texture[y * kSide * 4];
  return p[1] == y ? p[0] : p[0] - kSide;
}

class WaveFrames : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(stage.Ready()) << "no window or GL context";
    wave.reset(new LogoWaveEffect(stage.context.get(), stage.archive.get(), "Effect Testing!!!", 89000, 128000));
  }
  EffectStage stage{kWidth, kHeight, {{"krel.png", EncodePng(kSide, kSide, kPngRgba, NumberedPixels())}}};
  std::unique_ptr<LogoWaveEffect> wave;
};

} // namespace

TEST_F(WaveFrames, TextureShowsTheUnshiftedImageBeforeTheFirstFrame) {
  EXPECT_EQ(TextureOf(wave->texture), NumberedPixels());
  wave->Render(88999);
  EXPECT_EQ(TextureOf(wave->texture), NumberedPixels());
}

TEST_F(WaveFrames, FirstFrameUploadsRowsShiftedAlongTheSine) {
  ASSERT_TRUE(wave->Render(89000));
  const Bytes texture = TextureOf(wave->texture);
  const struct { int first, last, shift; } bands[] = {{0, 1, 0}, {2, 4, 1}, {5, 7, 2}, {8, 21, 3}};
  for (const auto &band : bands)
    for (int y = band.first; y <= band.last; ++y)
      EXPECT_EQ(ShiftOf(texture, y), band.shift) << "row " << y;
}

TEST_F(WaveFrames, LastRowNeverChanges) {
  const Bytes before = NumberedPixels();
  stage.Capture(false);
  for (int i = 0; i < 100; ++i) {
    wave->Render(90000 + i);
    const Bytes texture = TextureOf(wave->texture);
    ASSERT_EQ(0, std::memcmp(&texture[(kSide - 1) * kSide * 4], &before[(kSide - 1) * kSide * 4], kSide * 4))
        << "frame " << i;
  }
}

TEST_F(WaveFrames, PictureIsTheLogoInTheMiddleOfAWhiteView) {
  ASSERT_TRUE(wave->Render(100000));
  int x0, y0, x1, y1;
  ASSERT_TRUE(stage.LastFrame().NonWhiteBox(&x0, &y0, &x1, &y1));
  // 35 units away the view is 2 * 35 * tan(27.5 deg) = 36.44 units across.
  EXPECT_NEAR(double(x1 - x0) / kWidth, 20 / 36.44, 0.01);
  EXPECT_NEAR(double(y1 - y0) / kHeight, 10 / 36.44, 0.01);
  EXPECT_NEAR((x0 + x1) / 2.0, kWidth / 2.0, 1.0);
  EXPECT_NEAR((y0 + y1) / 2.0, kHeight / 2.0, 1.0);
}
