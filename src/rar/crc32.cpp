// CRC-32 of the archive checksums and the cipher's key schedule.
#include "rar/rar_internal.h"

void crc32_init_table() {
  for (uint32_t i = 0; i < 256; i++) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; bit++)
      c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    rar_state.crcTable[i] = c;
  }
}

const uint32_t *crc32_table() { return rar_state.crcTable; }

uint32_t crc32_update(uint32_t value, const void *bytes, size_t count) {
  const uint32_t *table = rar_state.crcTable;
  const unsigned char *p = static_cast<const unsigned char *>(bytes);
  // Four bytes per step through four derived tables: the same value as one
  // byte at a time, several times faster on large entries.
  static uint32_t derived[3][256];
  static uint32_t derivedFrom = 0;
  if (count >= 64 && derivedFrom != table[255]) {
    for (int i = 0; i < 256; i++) {
      uint32_t c = table[i];
      for (int k = 0; k < 3; k++) {
        c = table[c & 0xFF] ^ (c >> 8);
        derived[k][i] = c;
      }
    }
    derivedFrom = table[255];
  }
  if (count >= 64) {
    while (count >= 4) {
      value ^= uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
      value = derived[2][value & 0xFF] ^ derived[1][(value >> 8) & 0xFF] ^ derived[0][(value >> 16) & 0xFF] ^
              table[value >> 24];
      p += 4;
      count -= 4;
    }
  }
  while (count-- > 0)
    value = table[(value ^ *p++) & 0xFF] ^ (value >> 8);
  return value;
}
