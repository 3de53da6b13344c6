// SPDX-License-Identifier: MIT
// An 8-bit image in memory as the generators build it: rows top first, each
// pixel `channels` bytes (3 = RGB, 4 = RGBA), no padding between rows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace media {

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<uint8_t> pixels; // width * height * channels bytes

  Image() = default;
  Image(int w, int h, int c) : width(w), height(h), channels(c), pixels(size_t(w) * h * c) {}
  uint8_t *At(int x, int y) { return &pixels[(size_t(y) * width + x) * channels]; }
  const uint8_t *At(int x, int y) const { return &pixels[(size_t(y) * width + x) * channels]; }
};

// Writes `image` as an 8-bit PNG (colour type RGB or RGBA by `channels`), with
// no time stamp or other chunk that would make two runs differ, at zlib
// `level` 0-9 (9, the default, is the smallest; 3 is several times quicker
// for a few per cent more). The file is put in place only once whole (the
// layer's output file; `path` in UTF-8): on failure returns false, leaves
// nothing new and puts the reason in `error`.
bool WritePng(const char *path, const Image &image, std::string *error, int level = 9);

// The same PNG file's bytes, into `png` (the generators' build only, over
// libpng).
bool EncodePng(const Image &image, std::vector<uint8_t> *png, std::string *error, int level = 9);

} // namespace media
