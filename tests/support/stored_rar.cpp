// SPDX-License-Identifier: MIT
// Marker, main header, one file header plus data per entry, end block. Each
// header carries the low 16 bits of the CRC-32 of its bytes after the CRC field.
#include "stored_rar.h"

#include <zlib.h>

#include <cstdint>
#include <fstream>

namespace testsupport {
namespace {

void Put16(std::vector<uint8_t> &out, uint32_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t> &out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// Fills in the CRC field of the header that starts at `start`.
void SealHeader(std::vector<uint8_t> &out, size_t start) {
  const uint32_t crc = uint32_t(crc32(0, out.data() + start + 2, uInt(out.size() - start - 2)));
  out[start] = uint8_t(crc);
  out[start + 1] = uint8_t(crc >> 8);
}

} // namespace

std::vector<uint8_t> StoredRar(const std::vector<ArchiveEntry> &entries) {
  std::vector<uint8_t> out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  size_t start = out.size(); // main header: 13 bytes, no flags
  Put16(out, 0);
  out.push_back(0x73);
  Put16(out, 0);
  Put16(out, 13);
  Put16(out, 0);
  Put32(out, 0);
  SealHeader(out, start);

  for (const ArchiveEntry &entry : entries) {
    const std::string &name = entry.first;
    const std::vector<uint8_t> &data = entry.second;
    start = out.size();
    Put16(out, 0);
    out.push_back(0x74);
    Put16(out, 0x8000); // a data area follows the header
    Put16(out, uint32_t(32 + name.size()));
    Put32(out, uint32_t(data.size())); // packed size
    Put32(out, uint32_t(data.size())); // unpacked size
    out.push_back(3);                  // host: Unix
    Put32(out, uint32_t(crc32(0, data.data(), uInt(data.size()))));
    Put32(out, 0x5A210000); // DOS time: 2025-01-01 00:00
    out.push_back(20);      // version needed: 2.0
    out.push_back(0x30);    // stored
    Put16(out, uint32_t(name.size()));
    Put32(out, 0x81A4); // -rw-r--r--
    out.insert(out.end(), name.begin(), name.end());
    SealHeader(out, start);
    out.insert(out.end(), data.begin(), data.end());
  }

  start = out.size(); // end of archive
  Put16(out, 0);
  out.push_back(0x7B);
  Put16(out, 0x4000);
  Put16(out, 7);
  SealHeader(out, start);
  return out;
}

bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  return bool(file);
}

} // namespace testsupport
