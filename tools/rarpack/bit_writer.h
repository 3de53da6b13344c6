// SPDX-License-Identifier: MIT
// Bits into bytes, most significant bit first, the order in which the
// decompressor peeks and skips.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rarpack {

class BitWriter {
public:
  // Appends the low `count` bits of `value` (0 to 24 bits), highest first.
  void Put(uint32_t value, unsigned count) {
    acc = (acc << count) | (value & ((1u << count) - 1));
    pending += count;
    while (pending >= 8) {
      pending -= 8;
      bytes.push_back(uint8_t(acc >> pending));
    }
    acc &= (1u << pending) - 1;
  }
  // Fills the last byte with zero bits.
  void AlignToByte() {
    if (pending > 0)
      Put(0, 8 - pending);
  }
  // Bits written so far.
  uint64_t BitCount() const { return uint64_t(bytes.size()) * 8 + pending; }
  // Whole bytes written so far; the caller may take and clear them.
  std::vector<uint8_t> &Bytes() { return bytes; }

private:
  std::vector<uint8_t> bytes; // finished bytes
  uint32_t acc = 0;           // bits not yet in a whole byte, right-aligned
  unsigned pending = 0;       // how many of acc's low bits are pending (0 to 7 between calls)
};

} // namespace rarpack
