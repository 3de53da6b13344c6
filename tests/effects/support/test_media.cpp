// SPDX-License-Identifier: MIT
// Test-side PNG encoding (libpng) and stored RAR 2.x archive writing.
#include "test_media.h"

#include <png.h>

#include <cstdio>

namespace {

void AppendToBytes(png_structp png, png_bytep data, png_size_t length) {
  Bytes *out = static_cast<Bytes *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

int SamplesPerPixel(PngColour colour) {
  switch (colour) {
  case kPngGrey:
  case kPngPalette:
    return 1;
  case kPngGreyAlpha:
    return 2;
  case kPngRgb:
    return 3;
  case kPngRgba:
    return 4;
  }
  return 4;
}

} // namespace

Bytes EncodePng(int width, int height, PngColour colour, const Bytes &pixels, const Bytes &palette) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, AppendToBytes, Flush);
  png_set_IHDR(png, info, width, height, 8, colour, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (colour == kPngPalette) {
    std::vector<png_color> entries(palette.size() / 3);
    for (size_t i = 0; i < entries.size(); ++i)
      entries[i] = png_color{palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
    png_set_PLTE(png, info, entries.data(), int(entries.size()));
  }
  png_write_info(png, info);
  const size_t rowBytes = size_t(width) * SamplesPerPixel(colour);
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(pixels.data() + y * rowBytes));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes Quadrants(int width, int height, int bytesPerPixel, const uint32_t colours[4]) {
  Bytes pixels(size_t(width) * height * bytesPerPixel);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
      uint8_t *p = &pixels[(size_t(y) * width + x) * bytesPerPixel];
      for (int i = 0; i < bytesPerPixel; ++i)
        p[i] = uint8_t(c >> (24 - 8 * i)); // 0xRRGGBBAA
    }
  return pixels;
}

bool WriteStoredRar(const std::string &path, const std::vector<ArchiveEntry> &entries) {
  return testsupport::WriteFile(path, testsupport::StoredRar(entries));
}
