// SPDX-License-Identifier: MIT
// Canonical Huffman codes of at most 15 bits, in the order the decompressor's
// tables assume: shorter codes first, equal lengths by symbol number.
#pragma once
#include <cstdint>
#include <vector>

namespace rarpack {

constexpr unsigned kMaxCodeLength = 15;

// Code lengths (0 = symbol unused, else 1 to maxLength) minimising the coded
// size of `freqs`. At least two symbols always get a code, so that the code is
// complete: symbols named in `forced` (and, if still needed, the lowest
// numbered ones) are given a code even when their count is 0.
std::vector<uint8_t> HuffmanLengths(const std::vector<uint32_t> &freqs, unsigned maxLength = kMaxCodeLength,
                                    const std::vector<unsigned> &forced = {});

// The canonical code of each symbol for the given lengths (0 for unused).
std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t> &lengths);

// Bits spent coding `freqs` with `lengths`; UINT64_MAX when a used symbol has no code.
uint64_t CodedBits(const std::vector<uint32_t> &freqs, const uint8_t *lengths);

} // namespace rarpack
