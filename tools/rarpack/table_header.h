// SPDX-License-Identifier: MIT
// A table header as the decoder reads it: the mode, then the code-length
// code's own lengths, then every code length coded with it, as differences to
// the decoder's previous lengths or afresh. Worked out in full before it is
// written, so that its size is exact when blocks are weighed.
#pragma once
#include <cstdint>
#include <vector>

#include "rarpack/bit_writer.h"

namespace rarpack {

// The code-length code's symbols for one table: 0..15 a length as the
// difference to the previous table's, 16 repeat the last length 3..6 times,
// 17 3..10 zeros, 18 11..138 zeros.
struct LengthPlan {
  std::vector<uint8_t> symbols;
  std::vector<uint8_t> extra; // extra-bit value per symbol (counts of 16/17/18)
};

struct TableHeader {
  bool audio = false;
  unsigned channels = 1;
  bool keep = false; // lengths coded as differences to the previous table
  LengthPlan plan;
  std::vector<uint8_t> codeLengths; // the code-length code's lengths
  std::vector<uint16_t> codes;
  uint64_t bits = 0;

  // `previous` holds the decoder's previous lengths; with `keepPrevious` the
  // new ones are coded as differences to them, else to zeros.
  void Build(bool isAudio, unsigned channelCount, const uint8_t *lengths, unsigned count, const uint8_t *previous,
             bool keepPrevious);
  void Write(BitWriter &out) const;
};

// Size of a header for `lengths` coded afresh.
uint64_t HeaderBits(bool audio, unsigned channels, const std::vector<uint8_t> &lengths);

} // namespace rarpack
