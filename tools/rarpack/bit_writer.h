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
  void put(uint32_t value, unsigned count) {
    acc_ = (acc_ << count) | (value & ((1u << count) - 1));
    pending_ += count;
    while (pending_ >= 8) {
      pending_ -= 8;
      bytes_.push_back(uint8_t(acc_ >> pending_));
    }
    acc_ &= (1u << pending_) - 1;
  }
  // Fills the last byte with zero bits.
  void alignToByte() {
    if (pending_ > 0)
      put(0, 8 - pending_);
  }
  // Bits written so far.
  uint64_t bitCount() const { return uint64_t(bytes_.size()) * 8 + pending_; }
  // Whole bytes written so far; the caller may take and clear them.
  std::vector<uint8_t> &bytes() { return bytes_; }

private:
  std::vector<uint8_t> bytes_; // finished bytes
  uint32_t acc_ = 0;           // bits not yet in a whole byte, right-aligned
  unsigned pending_ = 0;       // how many of acc_'s low bits are pending (0 to 7 between calls)
};

} // namespace rarpack
