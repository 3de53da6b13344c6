// SPDX-License-Identifier: MIT
// Proves the wave's row shifts: the first frame's pattern, rows moved left
// keep their tail, rows moved right take their head from the row above, row 0
// and the last row are safe, and no width reads or writes outside the buffers
// (the buffers are exactly sized, so AddressSanitizer sees any overrun).
#include "effects/logo_wave_effect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Pixel (x, y) holds bytes x, y, 7, 255, so a work pixel tells where it came from.
std::vector<unsigned char> Numbered(int width, int height) {
  std::vector<unsigned char> pixels(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char *p = &pixels[(size_t(y) * width + x) * 4];
      p[0] = (unsigned char)x;
      p[1] = (unsigned char)y;
      p[2] = 7;
      p[3] = 255;
    }
  return pixels;
}

struct Wave {
  int width, height;
  std::vector<unsigned char> source, work;
  float phase = 0;
  Wave(int w, int h) : width(w), height(h), source(Numbered(w, h)), work(source) {}
  void Frame() { LogoWaveEffect::ShiftRows(source.data(), work.data(), width, height, phase); }
  const unsigned char *At(int x, int y) const { return &work[(size_t(y) * width + x) * 4]; }
  // The shift of row y, from where its first work pixel came from.
  int ShiftOf(int y) const {
    const unsigned char *p = At(0, y);
    return p[1] == y ? p[0] : p[0] - width;
  }
};

} // namespace

TEST(WaveRows, FirstFrameShiftsFollowTheSine) {
  Wave w(64, 64);
  w.Frame();
  EXPECT_FLOAT_EQ(w.phase, 0.1f);
  const struct {
    int first, last, shift;
  } bands[] = {{0, 1, 0}, {2, 4, 1}, {5, 7, 2}, {8, 21, 3}, {22, 25, 2}, {26, 27, 1}, {28, 32, 0}};
  for (const auto &band : bands)
    for (int y = band.first; y <= band.last; ++y)
      EXPECT_EQ(w.ShiftOf(y), band.shift) << "row " << y;
  for (int y = 33; y <= 59; ++y)
    EXPECT_LT(w.ShiftOf(y), 0) << "row " << y;
}

TEST(WaveRows, RowMovedLeftKeepsItsLastPixelsFromBefore) {
  Wave w(64, 64);
  std::memset(w.work.data(), 0xEE, w.work.size());
  w.Frame();
  // Row 10 moves left by 3: pixels 0..60 come from 3..63, the last 3 are untouched.
  for (int x = 0; x < 61; ++x)
    EXPECT_EQ(w.At(x, 10)[0], x + 3);
  for (int x = 61; x < 64; ++x)
    EXPECT_EQ(w.At(x, 10)[0], 0xEE);
}

TEST(WaveRows, RowMovedRightTakesItsFirstPixelsFromTheRowAbove) {
  Wave w(64, 64);
  w.Frame();
  // Row 40 moves right by 3.
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(w.At(x, 40)[0], 61 + x);
    EXPECT_EQ(w.At(x, 40)[1], 39);
  }
  for (int x = 3; x < 64; ++x) {
    EXPECT_EQ(w.At(x, 40)[0], x - 3);
    EXPECT_EQ(w.At(x, 40)[1], 40);
  }
}

TEST(WaveRows, RowZeroNeverMovesRight) {
  Wave w(32, 8);
  w.phase = 3.3f; // sin(3.4) < 0: row 0 would move right
  ASSERT_LT(LogoWaveEffect::RowShift(3.4f), 0);
  std::memset(w.work.data(), 0, w.work.size());
  w.Frame();
  EXPECT_EQ(0, std::memcmp(w.At(0, 0), w.source.data(), 32 * 4)) << "row 0 is copied whole";
}

TEST(WaveRows, LastRowNeverChanges) {
  Wave w(64, 64);
  std::vector<unsigned char> lastRow(w.At(0, 63), w.At(0, 63) + 64 * 4);
  for (int i = 0; i < 200; ++i) {
    w.Frame();
    ASSERT_EQ(0, std::memcmp(w.At(0, 63), lastRow.data(), lastRow.size())) << "frame " << i;
  }
}

TEST(WaveRows, NarrowImagesStayInsideTheirBuffers) {
  for (int width : {1, 2, 3, 4, 12, 13}) {
    Wave w(width, 70);
    for (int i = 0; i < 130; ++i) // every shift from -3 to 3 on every row
      w.Frame();
    // Every work pixel still comes from somewhere in the source image.
    for (int y = 0; y < w.height; ++y)
      for (int x = 0; x < width; ++x) {
        EXPECT_LT(w.At(x, y)[0], width);
        EXPECT_EQ(w.At(x, y)[2], 7);
      }
  }
}

TEST(WaveRows, ImageOfOneRowIsNeverRewritten) {
  Wave w(16, 1);
  std::memset(w.work.data(), 0x55, w.work.size());
  w.Frame();
  EXPECT_EQ(w.work, std::vector<unsigned char>(16 * 4, 0x55));
}
