// SPDX-License-Identifier: MIT
// The RAR 2.0 block cipher: key set-up from the password, block encryption and
// decryption with a key that moves on after every block.
#include <cstring>

#include "rar_internal.h"

namespace {
const uint32_t kInitialKey[4] = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u, 0xA4E7F123u};

const unsigned char kInitialSubstitution[256] = {
    0xD7, 0x13, 0x95, 0x23, 0x49, 0xC5, 0xC0, 0xCD, 0xF9, 0x1C, 0x10, 0x77, 0x30, 0xDD, 0x02, 0x2A, //
    0xE8, 0x01, 0xB1, 0xE9, 0x0E, 0x58, 0xDB, 0x19, 0xDF, 0xC3, 0xF4, 0x5A, 0x57, 0xEF, 0x99, 0x89, //
    0xFF, 0xC7, 0x93, 0x46, 0x5C, 0x42, 0xF6, 0x0D, 0xD8, 0x28, 0x3E, 0x1D, 0xD9, 0xE6, 0x56, 0x06, //
    0x47, 0x18, 0xAB, 0xC4, 0x65, 0x71, 0xDA, 0x7B, 0x5D, 0x5B, 0xA3, 0xB2, 0xCA, 0x43, 0x2C, 0xEB, //
    0x6B, 0xFA, 0x4B, 0xEA, 0x31, 0xA7, 0x7D, 0xD3, 0x53, 0x72, 0x9D, 0x90, 0x20, 0xC1, 0x8F, 0x24, //
    0x9E, 0x7C, 0xF7, 0xBB, 0x59, 0xD6, 0x8D, 0x2F, 0x79, 0xE4, 0x3D, 0x82, 0xD5, 0xC2, 0xAE, 0xFB, //
    0x61, 0x6E, 0x36, 0xE5, 0x73, 0x39, 0x98, 0x5E, 0x69, 0xF3, 0xD4, 0x37, 0xD1, 0xF5, 0x3F, 0x0B, //
    0xA4, 0xC8, 0x1F, 0x9C, 0x51, 0xB0, 0xE3, 0x15, 0x4C, 0x63, 0x8B, 0xBC, 0x7F, 0x11, 0xF8, 0x33, //
    0xCF, 0x78, 0xBD, 0xD2, 0x08, 0xE2, 0x29, 0x48, 0xB7, 0xCB, 0x87, 0xA5, 0xA6, 0x3C, 0x62, 0x07, //
    0x7A, 0x26, 0x9B, 0xAA, 0x45, 0xAC, 0xFC, 0xEE, 0x27, 0x86, 0x3B, 0x80, 0xEC, 0x1B, 0xF0, 0x50, //
    0x83, 0x03, 0x55, 0xCE, 0x91, 0x4F, 0x9A, 0x8E, 0x9F, 0xDC, 0xC9, 0x85, 0x4A, 0x40, 0x14, 0x81, //
    0xE0, 0xB9, 0x8A, 0x67, 0xAD, 0xB6, 0x2B, 0x22, 0xFE, 0x52, 0xC6, 0x97, 0xE7, 0xB4, 0x3A, 0x0A, //
    0x76, 0x1A, 0x66, 0x0C, 0x32, 0x84, 0x16, 0xBF, 0x88, 0x6F, 0xA2, 0xB3, 0x2D, 0x04, 0x94, 0x6C, //
    0xA1, 0x38, 0x4E, 0x7E, 0xF2, 0xDE, 0x0F, 0xAF, 0x92, 0x17, 0x21, 0xF1, 0xB5, 0xBE, 0x4D, 0xE1, //
    0x00, 0x2E, 0xA9, 0xBA, 0x44, 0x5F, 0xED, 0x41, 0x35, 0xD0, 0xFD, 0xA8, 0x09, 0x12, 0x64, 0x34, //
    0x74, 0xB8, 0xA0, 0x60, 0x6D, 0x25, 0x1E, 0x6A, 0x8C, 0x68, 0x96, 0x05, 0xCC, 0x75, 0x70, 0x54, //
};

inline uint32_t rol(uint32_t x, unsigned n) {
  return (x << n) | (x >> (32 - n));
}

inline uint32_t load32(const unsigned char *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void store32(unsigned char *p, uint32_t v) {
  p[0] = (unsigned char)v;
  p[1] = (unsigned char)(v >> 8);
  p[2] = (unsigned char)(v >> 16);
  p[3] = (unsigned char)(v >> 24);
}

// Each byte of x through the substitution table, every byte staying in
// place; one table of words per byte position spares the shifts.
inline uint32_t substitute(const uint32_t (*words)[256], uint32_t x) {
  return words[0][x & 0xFF] | words[1][(x >> 8) & 0xFF] | words[2][(x >> 16) & 0xFF] | words[3][x >> 24];
}

// One round with key word k on the state words x0..x3.
#define CRYPT_ROUND(k)                                                                                                 \
  do {                                                                                                                 \
    uint32_t t0 = x0 ^ substitute(words, (x2 + rol(x3, 11)) ^ (k));                                                    \
    uint32_t t1 = x1 ^ substitute(words, (x3 ^ rol(x2, 17)) + (k));                                                    \
    x0 = x2;                                                                                                           \
    x1 = x3;                                                                                                           \
    x2 = t0;                                                                                                           \
    x3 = t1;                                                                                                           \
  } while (0)

// Runs the network over one block: rounds 0 to 31, or 31 down to 0.
template <bool forward> void cipher_block(unsigned char block[16]) {
  const CryptKey &key = rar_state.key;
  const uint32_t(*words)[256] = key.substitutionWords;
  const uint32_t k0 = key.key[0], k1 = key.key[1], k2 = key.key[2], k3 = key.key[3];
  uint32_t x0 = load32(block) ^ k0;
  uint32_t x1 = load32(block + 4) ^ k1;
  uint32_t x2 = load32(block + 8) ^ k2;
  uint32_t x3 = load32(block + 12) ^ k3;
  for (int group = 0; group < 8; group++) {
    if (forward) {
      CRYPT_ROUND(k0);
      CRYPT_ROUND(k1);
      CRYPT_ROUND(k2);
      CRYPT_ROUND(k3);
    } else {
      CRYPT_ROUND(k3);
      CRYPT_ROUND(k2);
      CRYPT_ROUND(k1);
      CRYPT_ROUND(k0);
    }
  }
  store32(block + 0, x2 ^ k0);
  store32(block + 4, x3 ^ k1);
  store32(block + 8, x0 ^ k2);
  store32(block + 12, x1 ^ k3);
}

// Two blocks deciphered side by side: the key of the second follows from the
// first one's cipher text, known before either is deciphered, so the two
// chains of rounds can run interleaved. The same result as two calls of
// crypt_decrypt_block.
void decrypt_two_blocks(unsigned char *first, unsigned char *second) {
  CryptKey &key = rar_state.key;
  const uint32_t *crc = rar_state.crcTable;
  const uint32_t(*words)[256] = key.substitutionWords;
  uint32_t a[4], b[4];
  for (int i = 0; i < 4; i++)
    a[i] = key.key[i];
  b[0] = a[0], b[1] = a[1], b[2] = a[2], b[3] = a[3];
  unsigned char cipherFirst[16], cipherSecond[16];
  memcpy(cipherFirst, first, 16);
  memcpy(cipherSecond, second, 16);
  for (int group = 0; group < 16; group += 4) {
    b[0] ^= crc[cipherFirst[group]];
    b[1] ^= crc[cipherFirst[group + 1]];
    b[2] ^= crc[cipherFirst[group + 2]];
    b[3] ^= crc[cipherFirst[group + 3]];
  }
  uint32_t x0 = load32(first) ^ a[0], x1 = load32(first + 4) ^ a[1];
  uint32_t x2 = load32(first + 8) ^ a[2], x3 = load32(first + 12) ^ a[3];
  uint32_t y0 = load32(second) ^ b[0], y1 = load32(second + 4) ^ b[1];
  uint32_t y2 = load32(second + 8) ^ b[2], y3 = load32(second + 12) ^ b[3];
  for (int group = 0; group < 8; group++) {
    for (int k = 3; k >= 0; k--) {
      uint32_t t0 = x0 ^ substitute(words, (x2 + rol(x3, 11)) ^ a[k]);
      uint32_t u0 = y0 ^ substitute(words, (y2 + rol(y3, 11)) ^ b[k]);
      uint32_t t1 = x1 ^ substitute(words, (x3 ^ rol(x2, 17)) + a[k]);
      uint32_t u1 = y1 ^ substitute(words, (y3 ^ rol(y2, 17)) + b[k]);
      x0 = x2, x1 = x3, x2 = t0, x3 = t1;
      y0 = y2, y1 = y3, y2 = u0, y3 = u1;
    }
  }
  store32(first + 0, x2 ^ a[0]);
  store32(first + 4, x3 ^ a[1]);
  store32(first + 8, x0 ^ a[2]);
  store32(first + 12, x1 ^ a[3]);
  store32(second + 0, y2 ^ b[0]);
  store32(second + 4, y3 ^ b[1]);
  store32(second + 8, y0 ^ b[2]);
  store32(second + 12, y1 ^ b[3]);
  for (int i = 0; i < 4; i++)
    key.key[i] = b[i];
  crypt_update_key(cipherSecond);
}

// The word tables follow the substitution table.
void spread_substitution(CryptKey &key) {
  for (int i = 0; i < 256; i++) {
    for (int position = 0; position < 4; position++)
      key.substitutionWords[position][i] = uint32_t(key.substitution[i]) << (8 * position);
  }
}
} // namespace

void crypt_update_key(const unsigned char bytes[16]) {
  const uint32_t *crc = rar_state.crcTable;
  uint32_t *key = rar_state.key.key;
  for (int group = 0; group < 16; group += 4) {
    key[0] ^= crc[bytes[group]];
    key[1] ^= crc[bytes[group + 1]];
    key[2] ^= crc[bytes[group + 2]];
    key[3] ^= crc[bytes[group + 3]];
  }
}

void crypt_encrypt_block(unsigned char block[16]) {
  cipher_block<true>(block);
  crypt_update_key(block);
}

void crypt_decrypt_block(unsigned char block[16]) {
  unsigned char cipherText[16];
  memcpy(cipherText, block, 16);
  cipher_block<false>(block);
  crypt_update_key(cipherText);
}

void crypt_decrypt_blocks(unsigned char *data, size_t count) {
  size_t i = 0;
  for (; i + 32 <= count * 16; i += 32)
    decrypt_two_blocks(data + i, data + i + 16);
  if (i < count * 16)
    crypt_decrypt_block(data + i);
}

void crypt_set_key(const char *password) {
  CryptKey &key = rar_state.key;
  const uint32_t *crc = rar_state.crcTable;
  memcpy(key.key, kInitialKey, sizeof key.key);
  // The password zero-padded to 256 bytes: an odd-length password pairs its
  // last character with the terminating zero.
  unsigned char p[256] = {};
  size_t length = password != nullptr ? strnlen(password, kMaxPasswordLength) : 0;
  memcpy(p, password, length);
  memcpy(key.substitution, kInitialSubstitution, sizeof key.substitution);
  for (uint32_t j = 0; j < 256; j++) {
    for (size_t i = 0; i < length; i += 2) {
      uint32_t n1 = crc[(p[i] - j) & 0xFF] & 0xFF;
      uint32_t n2 = crc[(p[i + 1] + j) & 0xFF] & 0xFF;
      for (uint32_t k = 1; n1 != n2; n1 = (n1 + 1) & 0xFF, k++) {
        unsigned char swap = key.substitution[n1];
        key.substitution[n1] = key.substitution[(n1 + i + k) & 0xFF];
        key.substitution[(n1 + i + k) & 0xFF] = swap;
      }
    }
  }
  spread_substitution(key);
  // Enciphering the padded password moves the key words on; the blocks
  // themselves are dropped.
  for (size_t i = 0; i < length; i += 16)
    crypt_encrypt_block(p + i);
  volatile unsigned char *wipe = p;
  for (size_t i = 0; i < sizeof p; i++)
    wipe[i] = 0;
}

void crypt_clear_key() {
  volatile unsigned char *wipe = reinterpret_cast<volatile unsigned char *>(&rar_state.key);
  for (size_t i = 0; i < sizeof rar_state.key; i++)
    wipe[i] = 0;
}
