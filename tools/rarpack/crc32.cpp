// CRC-32 table and update.
#include "rarpack/crc32.h"

namespace rarpack {

namespace {
struct Table {
  uint32_t entries[256];
  Table() {
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++)
        c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      entries[i] = c;
    }
  }
};
} // namespace

const uint32_t *crc32_table() {
  static const Table table;
  return table.entries;
}

uint32_t crc32_continue(uint32_t crc, const void *data, size_t size) {
  const uint32_t *table = crc32_table();
  const unsigned char *p = static_cast<const unsigned char *>(data);
  for (size_t i = 0; i < size; i++)
    crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

} // namespace rarpack
