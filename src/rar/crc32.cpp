// SPDX-License-Identifier: MIT
// CRC-32 of the archive checksums and the cipher's key schedule.
#include "rar_internal.h"

void crc32_init_table() {
  for (uint32_t i = 0; i < 256; i++) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; bit++)
      c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    rar_state.crcTable[i] = c;
  }
}

const uint32_t *crc32_table() {
  return rar_state.crcTable;
}

uint32_t crc32_update(uint32_t value, const void *bytes, size_t count) {
  const uint32_t *table = rar_state.crcTable;
  const unsigned char *p = static_cast<const unsigned char *>(bytes);
  // Eight bytes per step through seven derived tables: the same value as one
  // byte at a time, several times faster on large entries.
  static uint32_t derived[7][256];
  static uint32_t derivedFrom = 0;
  if (count >= 64) {
    if (derivedFrom != table[255]) {
      for (int i = 0; i < 256; i++) {
        uint32_t c = table[i];
        for (int k = 0; k < 7; k++) {
          c = table[c & 0xFF] ^ (c >> 8);
          derived[k][i] = c;
        }
      }
      derivedFrom = table[255];
    }
    while (count >= 8) {
      uint32_t low = value ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
      uint32_t high = uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24;
      value = derived[6][low & 0xFF] ^ derived[5][(low >> 8) & 0xFF] ^ derived[4][(low >> 16) & 0xFF] ^
              derived[3][low >> 24] ^ derived[2][high & 0xFF] ^ derived[1][(high >> 8) & 0xFF] ^
              derived[0][(high >> 16) & 0xFF] ^ table[high >> 24];
      p += 8;
      count -= 8;
    }
  }
  while (count-- > 0)
    value = table[(value ^ *p++) & 0xFF] ^ (value >> 8);
  return value;
}
