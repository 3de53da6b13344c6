// SPDX-License-Identifier: MIT
// PNG output where no libpng is at hand (the Windows build, which writes
// captured frames only): the rows go into deflate's stored blocks, so the
// files are larger than libpng's but hold the same pixels, and any PNG reader
// takes them. The level is ignored.
#include "image.h"

#include "platform/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace media {

namespace {

uint32_t Crc(uint32_t crc, const uint8_t *data, size_t length) {
  static uint32_t table[256];
  if (table[1] == 0)
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) != 0 ? 0xedb88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  crc = ~crc;
  for (size_t i = 0; i < length; ++i)
    crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::vector<uint8_t> *out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(uint8_t(value >> shift));
}

void Chunk(std::vector<uint8_t> *out, const char *type, const std::vector<uint8_t> &data) {
  Put32(out, uint32_t(data.size()));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  Put32(out, Crc(0, out->data() + start, out->size() - start));
}

} // namespace

bool WritePng(const char *path, const Image &image, std::string *error, int) {
  std::string scratch;
  if (!error)
    error = &scratch;
  if (image.channels != 3 && image.channels != 4) {
    *error = "only RGB and RGBA images are written";
    return false;
  }
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != size_t(image.width) * image.height * image.channels) {
    *error = "image size does not match its pixel buffer";
    return false;
  }
  // Each row behind filter byte 0 (none).
  const size_t stride = size_t(image.width) * image.channels;
  std::vector<uint8_t> raw;
  raw.reserve((stride + 1) * size_t(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), image.pixels.begin() + stride * size_t(y), image.pixels.begin() + stride * size_t(y + 1));
  }
  // The zlib stream: header, stored blocks of at most 65535 bytes, Adler-32.
  std::vector<uint8_t> zlib = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (size_t done = 0; done < raw.size() || done == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - done);
    const bool last = done + n == raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.push_back(uint8_t(n));
    zlib.push_back(uint8_t(n >> 8));
    zlib.push_back(uint8_t(~n));
    zlib.push_back(uint8_t(~n >> 8));
    zlib.insert(zlib.end(), raw.begin() + done, raw.begin() + done + n);
    for (size_t i = done; i < done + n; ++i) {
      a = (a + raw[i]) % 65521;
      b = (b + a) % 65521;
    }
    done += n;
    if (last)
      break;
  }
  Put32(&zlib, (b << 16) | a);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<uint8_t> header;
  Put32(&header, uint32_t(image.width));
  Put32(&header, uint32_t(image.height));
  header.insert(header.end(), {8, uint8_t(image.channels == 4 ? 6 : 2), 0, 0, 0});
  Chunk(&file, "IHDR", header);
  Chunk(&file, "IDAT", zlib);
  Chunk(&file, "IEND", {});

  // Whole or not at all: the layer's output file is renamed into place once written.
  platform::OutputFile out;
  if (!out.Create(path, error))
    return false;
  if (std::fwrite(file.data(), 1, file.size(), out.Stream()) != file.size()) {
    *error = "cannot write '" + out.WrittenPath() + "': " + std::strerror(errno);
    return false;
  }
  return out.Commit(error);
}

} // namespace media
