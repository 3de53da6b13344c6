// SPDX-License-Identifier: MIT
// Proves that the image library decodes the two generated images exactly as
// the effects use them: the logo as 8-bit RGBA (4 bytes a pixel), the sphere
// map as 8-bit RGB (3 bytes a pixel), power-of-two sides, top row first,
// byte for byte what the generators drew.
#include "logo.h"
#include "media_files.h"
#include "sphere_map.h"

#include <IL/il.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scratch_dir.h"

namespace {

class ImageDecoding : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ilInit(); }
  void SetUp() override {
    ilGenImages(1, &image_);
    ilBindImage(image_);
  }
  void TearDown() override { ilDeleteImages(1, &image_); }

  // Decodes the file as the effects do: PNG from memory, no origin flip asked for.
  void Decode(const std::string &name) {
    std::vector<uint8_t> png = media_test::ReadFile(media_test::MediaPath(name));
    ASSERT_FALSE(png.empty()) << "no " << media_test::MediaPath(name) << "; build the zarvox_media_files target";
    ASSERT_TRUE(ilLoadL(IL_PNG, png.data(), ILuint(png.size())));
  }
  ILuint image_ = 0;
};

bool PowerOfTwo(int v) {
  return v > 0 && (v & (v - 1)) == 0;
}

TEST_F(ImageDecoding, LogoComesOutRgbaTopRowFirst) {
  ASSERT_NO_FATAL_FAILURE(Decode("krel.png"));
  const int w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
  EXPECT_EQ(w, media::kLogoWidth);
  EXPECT_EQ(h, media::kLogoHeight);
  EXPECT_TRUE(PowerOfTwo(w) && PowerOfTwo(h));
  EXPECT_EQ(w, 2 * h); // the shape of the quads it is drawn on
  EXPECT_EQ(ilGetInteger(IL_IMAGE_FORMAT), IL_RGBA);
  EXPECT_EQ(ilGetInteger(IL_IMAGE_TYPE), IL_UNSIGNED_BYTE);
  EXPECT_EQ(ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL), 4);
  const media::Image drawn = media::DrawLogo();
  ASSERT_EQ(drawn.pixels.size(), size_t(w) * h * 4);
  EXPECT_EQ(std::memcmp(ilGetData(), drawn.pixels.data(), drawn.pixels.size()), 0)
      << "decoded pixels differ from the drawing (flipped or converted?)";
}

TEST_F(ImageDecoding, LogoBackgroundIsTransparentWhiteAndTheWordOpaque) {
  ASSERT_NO_FATAL_FAILURE(Decode("krel.png"));
  const int w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
  const uint8_t *px = ilGetData();
  size_t transparent = 0, opaque = 0, opaqueTopHalf = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t *p = px + (size_t(y) * w + x) * 4;
      if (p[3] == 0) {
        ++transparent;
        // Linear filtering mixes these into the edges: they must be the white
        // that the show paints behind them.
        ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << "at " << x << "," << y;
      } else if (p[3] == 255) {
        ++opaque;
        opaqueTopHalf += y < h / 2;
      }
    }
  }
  EXPECT_GT(transparent, size_t(w) * h / 3);
  EXPECT_GT(opaque, size_t(w) * h / 6);
  EXPECT_GT(opaqueTopHalf, opaque / 2) << "the word stands above its reflection";
  for (int x = 0; x < w; ++x)
    EXPECT_EQ(px[size_t(x) * 4 + 3], 0) << "the top row is background";
}

TEST_F(ImageDecoding, SphereMapComesOutRgbWithFloorRowsFirst) {
  ASSERT_NO_FATAL_FAILURE(Decode("spheremap.png"));
  const int w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
  EXPECT_EQ(w, media::kSphereMapSize);
  EXPECT_EQ(h, media::kSphereMapSize);
  EXPECT_TRUE(PowerOfTwo(w) && PowerOfTwo(h));
  EXPECT_EQ(w * 3 % 4, 0) << "rows must suit OpenGL's default unpack alignment";
  EXPECT_EQ(ilGetInteger(IL_IMAGE_FORMAT), IL_RGB);
  EXPECT_EQ(ilGetInteger(IL_IMAGE_TYPE), IL_UNSIGNED_BYTE);
  EXPECT_EQ(ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL), 3);
  const media::Image drawn = media::DrawSphereMap();
  ASSERT_EQ(drawn.pixels.size(), size_t(w) * h * 3);
  EXPECT_EQ(std::memcmp(ilGetData(), drawn.pixels.data(), drawn.pixels.size()), 0)
      << "decoded pixels differ from the drawing (flipped or converted?)";
  // The first rows are t = 0, the bottom of the ball: floor, not blue sky.
  auto blueness = [&](int row) {
    long sum = 0;
    const uint8_t *p = ilGetData() + size_t(row) * w * 3;
    for (int x = w / 4; x < 3 * w / 4; ++x)
      sum += long(p[x * 3 + 2]) - p[x * 3];
    return sum;
  };
  EXPECT_GT(blueness(3 * h / 4), blueness(h / 4) + 20 * w / 2);
}

} // namespace

// A full disk is named, with the file and the system's reason, not only
// libpng's bare "Write Error". A file size limit stands in for the full disk,
// in a child process so that the limit stays there.
TEST(PngWriter, AWriteErrorNamesTheFileAndTheReason) {
  ScratchDir folder;
  const std::string path = folder / "frame.png";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    media::Image image(256, 256, 3);
    for (size_t i = 0; i < image.pixels.size(); ++i)
      image.pixels[i] = uint8_t(i * 2654435761u >> 13);
    std::string error;
    const bool written = media::WritePng(path.c_str(), image, &error, 0);
    _exit(!written && error == "cannot write " + path + ": " + std::strerror(EFBIG) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_NE(access(path.c_str(), F_OK), 0) << "the partial file was left";
}
