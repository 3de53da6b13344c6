// SPDX-License-Identifier: MIT
// Proves that the code builder always yields complete prefix codes of at most
// 15 bits in the decoder's canonical order, even for counts that would make
// a plain Huffman code deeper, and that a block can always be left: at least
// two symbols and every forced symbol get a code.
#include <gtest/gtest.h>

#include <algorithm>

#include "rarpack/huffman.h"

namespace {

// Kraft sum in units of 2^-15; a complete code sums to exactly 2^15.
uint64_t Kraft(const std::vector<uint8_t> &lengths) {
  uint64_t sum = 0;
  for (uint8_t l : lengths)
    if (l)
      sum += uint64_t(1) << (15 - l);
  return sum;
}

} // namespace

TEST(HuffmanLengths, FibonacciCountsAreLimitedTo15BitsAndStayComplete) {
  std::vector<uint32_t> freqs(40);
  uint32_t a = 1, b = 1;
  for (uint32_t &f : freqs) {
    f = a;
    uint32_t c = a + b;
    a = b;
    b = std::min<uint32_t>(c, 1u << 30);
  }
  std::vector<uint8_t> lengths = rarpack::HuffmanLengths(freqs);
  EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), 15);
  EXPECT_EQ(Kraft(lengths), 1u << 15);
  for (uint8_t l : lengths)
    EXPECT_GT(l, 0);
  // Rarer symbols never get shorter codes than more frequent ones.
  for (size_t i = 1; i < freqs.size(); i++)
    EXPECT_GE(lengths[i - 1], lengths[i]);
}

TEST(HuffmanLengths, SkewedLargeAlphabetIsLimitedAndComplete) {
  std::vector<uint32_t> freqs(298, 0);
  for (size_t i = 0; i < freqs.size(); i++)
    freqs[i] = i < 5 ? 1000000 : uint32_t(1 + i % 3);
  std::vector<uint8_t> lengths = rarpack::HuffmanLengths(freqs);
  EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), 15);
  EXPECT_EQ(Kraft(lengths), 1u << 15);
}

TEST(HuffmanLengths, EveryTableGetsAtLeastTwoCodes) {
  EXPECT_EQ(Kraft(rarpack::HuffmanLengths(std::vector<uint32_t>(48, 0))), 1u << 15);
  std::vector<uint32_t> one(28, 0);
  one[9] = 50;
  std::vector<uint8_t> lengths = rarpack::HuffmanLengths(one);
  EXPECT_EQ(lengths[9], 1);
  EXPECT_EQ(Kraft(lengths), 1u << 15);
}

TEST(HuffmanLengths, ForcedSymbolsGetACodeWithoutCounts) {
  std::vector<uint32_t> freqs(298, 0);
  for (int s = 0; s < 256; s++)
    freqs[size_t(s)] = 100;
  std::vector<uint8_t> lengths = rarpack::HuffmanLengths(freqs, 15, {269});
  EXPECT_GT(lengths[269], 0);
  EXPECT_EQ(Kraft(lengths), 1u << 15);
}

TEST(CanonicalCodes, ShorterFirstThenBySymbolAndPrefixFree) {
  const std::vector<uint8_t> lengths = {3, 0, 2, 3, 2, 3, 3, 0};
  const std::vector<uint16_t> codes = rarpack::CanonicalCodes(lengths);
  // Length 2: symbols 2, 4 -> 00, 01; length 3: 0, 3, 5, 6 -> 100..111.
  EXPECT_EQ(codes[2], 0b00);
  EXPECT_EQ(codes[4], 0b01);
  EXPECT_EQ(codes[0], 0b100);
  EXPECT_EQ(codes[3], 0b101);
  EXPECT_EQ(codes[5], 0b110);
  EXPECT_EQ(codes[6], 0b111);
  for (size_t i = 0; i < lengths.size(); i++)
    for (size_t j = 0; j < lengths.size(); j++) {
      if (i == j || !lengths[i] || !lengths[j] || lengths[i] > lengths[j])
        continue;
      EXPECT_NE(codes[j] >> (lengths[j] - lengths[i]), codes[i]) << i << " is a prefix of " << j;
    }
}
