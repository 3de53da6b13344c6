// Test-side PNG encoding (libpng) and stored RAR 2.x archive writing.
#include "test_media.h"

#include <png.h>
#include <zlib.h>

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

void Put16(Bytes &b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

void Put32(Bytes &b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A block's header CRC: the low 16 bits of the CRC-32 of the header after the
// CRC field itself.
void SealHeader(Bytes &header) {
  const uint32_t crc = uint32_t(crc32(0, header.data() + 2, uInt(header.size() - 2)));
  header[0] = uint8_t(crc);
  header[1] = uint8_t(crc >> 8);
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
  Bytes file = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

  Bytes main;
  Put16(main, 0);
  main.push_back(0x73);
  Put16(main, 0); // flags: not solid, not locked
  Put16(main, 13);
  Put16(main, 0);
  Put32(main, 0);
  SealHeader(main);
  file.insert(file.end(), main.begin(), main.end());

  for (const ArchiveEntry &entry : entries) {
    const Bytes &data = entry.second;
    Bytes header;
    Put16(header, 0);
    header.push_back(0x74);
    Put16(header, 0x8000); // packed data follows
    Put16(header, unsigned(32 + entry.first.size()));
    Put32(header, uint32_t(data.size()));                              // packed size
    Put32(header, uint32_t(data.size()));                              // unpacked size
    header.push_back(3);                                               // host OS: Unix
    Put32(header, uint32_t(crc32(0, data.data(), uInt(data.size())))); // file CRC
    Put32(header, 0x5A210000);                                         // a DOS date in 2025
    header.push_back(20);                                              // unpack version 2.0
    header.push_back(0x30);                                            // stored
    Put16(header, unsigned(entry.first.size()));
    Put32(header, 0x81A4); // -rw-r--r--
    header.insert(header.end(), entry.first.begin(), entry.first.end());
    SealHeader(header);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), data.begin(), data.end());
  }

  Bytes end;
  Put16(end, 0);
  end.push_back(0x7B);
  Put16(end, 0x4000);
  Put16(end, 7);
  SealHeader(end);
  file.insert(file.end(), end.begin(), end.end());

  FILE *out = std::fopen(path.c_str(), "wb");
  if (!out)
    return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}
