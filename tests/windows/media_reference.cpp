// SPDX-License-Identifier: MIT
// Built for the host (Linux) by the Windows build: writes what libmpg123 and
// the image library decode from the show's media there, for media_test.exe to
// compare the Windows layer's decoding with. Usage:
//   media-reference MEDIA_DIR OUT_DIR
// OUT_DIR gets zarvox.ref (rate, channels, then 16-bit samples), krel.ref,
// spheremap.ref (width, height, format, bytes per pixel, then the pixels) and
// quadrics.ref (the vertex count, then the quadrics' feedback vertices).
#include "quadric_feedback.h"

#include <IL/il.h>
#include <mpg123.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool Write(const std::string &path, const std::vector<int32_t> &header, const void *data, size_t bytes) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return false;
  bool ok = std::fwrite(header.data(), sizeof(int32_t), header.size(), file) == header.size() &&
            std::fwrite(data, 1, bytes, file) == bytes;
  return std::fclose(file) == 0 && ok;
}

// As the sound layer sets libmpg123 up on Linux: quiet, every rate, 16-bit.
bool DumpSound(const std::string &mp3, const std::string &out) {
  mpg123_init();
  mpg123_handle *decoder = mpg123_new(nullptr, nullptr);
  mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(decoder);
  const long *rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_open(decoder, mp3.c_str()) != MPG123_OK || mpg123_getformat(decoder, &rate, &channels, &encoding) != 0)
    return false;
  std::vector<int16_t> pcm;
  int16_t buffer[8192];
  for (;;) {
    size_t bytes = 0;
    const int code = mpg123_read(decoder, buffer, sizeof buffer, &bytes);
    pcm.insert(pcm.end(), buffer, buffer + bytes / 2);
    if (code != MPG123_OK && code != MPG123_NEW_FORMAT)
      break;
  }
  mpg123_delete(decoder);
  return Write(out, {int32_t(rate), channels}, pcm.data(), pcm.size() * 2);
}

// As the effects load images: PNG, no origin flip asked for.
bool DumpImage(const std::string &png, const std::string &out) {
  std::FILE *file = std::fopen(png.c_str(), "rb");
  if (file == nullptr)
    return false;
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  ILuint image = 0;
  ilGenImages(1, &image);
  ilBindImage(image);
  if (!ilLoadL(IL_PNG, bytes.data(), ILuint(bytes.size())))
    return false;
  const int width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
  const int bpp = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
  return Write(out, {width, height, ilGetInteger(IL_IMAGE_FORMAT), bpp}, ilGetData(), size_t(width) * height * bpp);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: media-reference MEDIA_DIR OUT_DIR\n");
    return 2;
  }
  const std::string in = argv[1], out = argv[2];
  ilInit();
  bool ok = DumpSound(in + "/zarvox.mp3", out + "/zarvox.ref");
  for (const char *name : {"krel", "spheremap"})
    ok = DumpImage(in + "/" + name + ".png", out + "/" + name + ".ref") && ok;
  if (!ok)
    std::fprintf(stderr, "media-reference: cannot decode the media in %s or write to %s\n", argv[1], argv[2]);
  std::vector<float> vertices;
  std::string why;
  if (!QuadricFeedback(&vertices, &why) || !Write(out + "/quadrics.ref", {int32_t(vertices.size() / kFeedbackVertex)},
                                                  vertices.data(), vertices.size() * sizeof(float))) {
    std::fprintf(stderr, "media-reference: no quadrics: %s\n", why.c_str());
    ok = false;
  }
  return ok ? 0 : 1;
}
