// SPDX-License-Identifier: MIT
// Proves image loading from the data file: PNGs arrive top row first in the
// layout the effect asks for, other layouts are converted, and a missing,
// undecodable or misaligned image becomes one white pixel with which every
// effect still draws (the block from the archive is freed either way, which
// LeakSanitizer checks).
#include "support/effect_stage.h"
#include "support/timeline.h"

#include "effects/logo_wave_effect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Opens LoadArchiveImage to the test.
class Probe : public Effect {
public:
  explicit Probe(EffectStage &stage) : Effect(stage.context.get(), stage.archive.get(), "probe", 0, 0) {}
  bool Render(int) override { return false; }
  using Effect::LoadArchiveImage;
};

Bytes Pixels(const ArchiveImage &image, int bytesPerPixel) {
  return Bytes(image.pixels, image.pixels + size_t(image.width) * image.height * bytesPerPixel);
}

const Bytes kWhitePixelRgba = {255, 255, 255, 255};
const Bytes kWhitePixelRgb = {255, 255, 255};

} // namespace

TEST(ImageLoading, PngsArriveTopRowFirstInTheirOwnLayout) {
  const uint32_t rgbaColours[4] = {0x10203040, 0x50607080, 0x90A0B0C0, 0xD0E0F0FF};
  const Bytes rgba = Quadrants(8, 4, 4, rgbaColours);
  const uint32_t rgbColours[4] = {0x11223300, 0x44556600, 0x77889900, 0xAABBCC00};
  const Bytes rgb = Quadrants(16, 8, 3, rgbColours);
  EffectStage stage(64, 64,
                    {{"krel.png", EncodePng(8, 4, kPngRgba, rgba)}, {"spheremap.png", EncodePng(16, 8, kPngRgb, rgb)}});
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  Probe probe(stage);

  const ArchiveImage logo = probe.LoadArchiveImage("krel.png", GL_RGBA);
  ASSERT_EQ(logo.width, 8);
  ASSERT_EQ(logo.height, 4);
  EXPECT_EQ(Pixels(logo, 4), rgba);

  const ArchiveImage map = probe.LoadArchiveImage("spheremap.png", GL_RGB);
  ASSERT_EQ(map.width, 16);
  ASSERT_EQ(map.height, 8);
  EXPECT_EQ(Pixels(map, 3), rgb);
}

TEST(ImageLoading, OtherLayoutsAreConverted) {
  const Bytes grey = {0, 85, 170, 255, 0, 85, 170, 255};
  const Bytes rgb = Quadrants(4, 2, 3, kLogoQuadrants);
  const Bytes palette = {255, 0, 0, 0, 0, 255};
  const Bytes indices = {0, 1, 0, 1, 1, 0, 1, 0};
  EffectStage stage(64, 64,
                    {{"grey.png", EncodePng(4, 2, kPngGrey, grey)},
                     {"rgb.png", EncodePng(4, 2, kPngRgb, rgb)},
                     {"palette.png", EncodePng(4, 2, kPngPalette, indices, palette)},
                     {"rgba.png", EncodePng(4, 2, kPngRgba, Quadrants(4, 2, 4, kLogoQuadrants))}});
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  Probe probe(stage);

  const ArchiveImage fromGrey = probe.LoadArchiveImage("grey.png", GL_RGBA);
  ASSERT_EQ(fromGrey.width * fromGrey.height, 8);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(Bytes(fromGrey.pixels + i * 4, fromGrey.pixels + i * 4 + 4), (Bytes{grey[i], grey[i], grey[i], 255}));

  const ArchiveImage fromRgb = probe.LoadArchiveImage("rgb.png", GL_RGBA);
  EXPECT_EQ(Pixels(fromRgb, 4), Quadrants(4, 2, 4, kLogoQuadrants)) << "opaque alpha added";

  const ArchiveImage fromPalette = probe.LoadArchiveImage("palette.png", GL_RGBA);
  ASSERT_EQ(fromPalette.width * fromPalette.height, 8);
  for (int i = 0; i < 8; ++i) {
    const uint8_t *p = fromPalette.pixels + i * 4;
    EXPECT_EQ(Bytes(p, p + 3), indices[i] ? (Bytes{0, 0, 255}) : (Bytes{255, 0, 0})) << "pixel " << i;
  }

  const ArchiveImage fromRgba = probe.LoadArchiveImage("rgba.png", GL_RGB);
  EXPECT_EQ(Pixels(fromRgba, 3), Quadrants(4, 2, 3, kLogoQuadrants)) << "alpha dropped for an RGB texture";
}

TEST(ImageLoading, UnusableImagesBecomeOneWhitePixel) {
  const Bytes garbage = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
  Bytes truncated = TestLogoPng();
  truncated.resize(truncated.size() / 2);
  // 2 x 2 RGB rows are 6 bytes: OpenGL's unpack alignment of 4 would read past them.
  const Bytes misaligned = EncodePng(2, 2, kPngRgb, Bytes(12, 90));
  EffectStage stage(64, 64, {{"garbage.png", garbage}, {"truncated.png", truncated}, {"misaligned.png", misaligned}});
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  Probe probe(stage);

  for (const char *name : {"missing.png", "garbage.png", "truncated.png"}) {
    const ArchiveImage image = probe.LoadArchiveImage(name, GL_RGBA);
    ASSERT_EQ(image.width, 1) << name;
    ASSERT_EQ(image.height, 1) << name;
    EXPECT_EQ(Pixels(image, 4), kWhitePixelRgba) << name;
  }
  const ArchiveImage image = probe.LoadArchiveImage("misaligned.png", GL_RGB);
  ASSERT_EQ(image.width * image.height, 1);
  EXPECT_EQ(Pixels(image, 3), kWhitePixelRgb);
}

TEST(ImageLoading, EveryEffectDrawsWithoutItsImages) {
  EffectStage stage(160, 120, {{"other.txt", Bytes{'x'}}});
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  for (const EffectKind &kind : kTimeline) {
    std::unique_ptr<Effect> effect = Make(kind, stage);
    for (int t = kind.startMs; t < kind.startMs + 3; ++t)
      ASSERT_TRUE(effect->Render(t)) << kind.name;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << kind.name;
  }
  // The logo effects show their white stand-in on white.
  std::unique_ptr<Effect> wave = Make(kTimeline[4], stage);
  ASSERT_TRUE(wave->Render(100000));
  EXPECT_EQ(stage.LastFrame().ShareNear(kWhite, 0), 1.0);
  EXPECT_NE(static_cast<LogoWaveEffect *>(wave.get())->workPixels, nullptr);
}
