// SPDX-License-Identifier: MIT
// The .ico layout: a 6-byte header, one 16-byte entry per image, then the
// images; every number little-endian.
#include "icon_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace media {

namespace {

void Put16(std::vector<uint8_t> *out, unsigned value) {
  out->push_back(uint8_t(value));
  out->push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t> *out, size_t value) {
  Put16(out, unsigned(value & 0xffff));
  Put16(out, unsigned(value >> 16));
}

} // namespace

bool WriteIco(const char *path, const std::vector<Image> &images, std::string *error) {
  std::vector<std::vector<uint8_t>> pngs(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const Image &image = images[i];
    if (image.channels != 4 || image.width != image.height || image.width < 16 || image.width > 256) {
      *error = "an icon image is square RGBA, 16 to 256 pixels a side";
      return false;
    }
    if (!EncodePng(image, &pngs[i], error))
      return false;
  }
  std::vector<uint8_t> ico;
  Put16(&ico, 0); // reserved
  Put16(&ico, 1); // an icon, not a cursor
  Put16(&ico, unsigned(images.size()));
  size_t offset = 6 + 16 * images.size();
  for (size_t i = 0; i < images.size(); ++i) {
    const uint8_t side = uint8_t(images[i].width == 256 ? 0 : images[i].width); // 0 stands for 256
    ico.insert(ico.end(), {side, side, 0, 0});                                  // width, height, no palette, reserved
    Put16(&ico, 1);                                                             // colour planes
    Put16(&ico, 32);                                                            // bits per pixel
    Put32(&ico, pngs[i].size());
    Put32(&ico, offset);
    offset += pngs[i].size();
  }
  for (const std::vector<uint8_t> &png : pngs)
    ico.insert(ico.end(), png.begin(), png.end());

  FILE *file = std::fopen(path, "wb");
  if (!file) {
    *error = std::string("cannot create ") + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(ico.data(), 1, ico.size(), file) == ico.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    *error = std::string("cannot write ") + path + ": " + std::strerror(errno);
    std::remove(path);
  }
  return ok;
}

} // namespace media
