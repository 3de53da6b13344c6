// The RAR 2.0 block cipher, encrypting side: key from a password, then
// consecutive 16-byte blocks whose key runs on from block to block.
#pragma once
#include <cstdint>

namespace rarpack {

class Rar20Cipher {
public:
  // Builds the key from a zero-terminated password of at most 254 bytes.
  // Every entry starts from a fresh key.
  void setKey(const char *password);
  // Encrypts 16 bytes in place and advances the key by the cipher text.
  void encryptBlock(uint8_t block[16]);
  // Wipes the key and the substitution table.
  void clear();
  ~Rar20Cipher() { clear(); }

private:
  uint32_t substitute(uint32_t x) const;
  void updateKey(const uint8_t block[16]);

  uint32_t key_[4] = {};    // the four key words, changed after every block
  uint8_t table_[256] = {}; // byte substitution, a permutation mixed by the password
};

} // namespace rarpack
