// SPDX-License-Identifier: MIT
// Length-limited Huffman code lengths and canonical codes.
#include "rarpack/huffman.h"

#include <algorithm>
#include <numeric>

namespace rarpack {

std::vector<uint8_t> HuffmanLengths(const std::vector<uint32_t> &freqs, unsigned maxLength,
                                    const std::vector<unsigned> &forced) {
  const size_t n = freqs.size();
  std::vector<uint64_t> weight(freqs.begin(), freqs.end());
  for (unsigned s : forced)
    if (s < n && weight[s] == 0)
      weight[s] = 1;
  std::vector<unsigned> used;
  for (size_t s = 0; s < n; s++)
    if (weight[s] > 0)
      used.push_back(unsigned(s));
  for (size_t s = 0; used.size() < 2 && s < n; s++)
    if (weight[s] == 0) {
      weight[s] = 1;
      used.push_back(unsigned(s));
    }
  std::vector<uint8_t> lengths(n, 0);
  if (used.size() < 2) { // an alphabet of one symbol: nothing to decide
    for (unsigned s : used)
      lengths[s] = 1;
    return lengths;
  }

  // Leaves sorted by weight (ties by symbol, so the result is reproducible),
  // then the two-queue construction: leaves and merged nodes are each
  // produced in non-decreasing weight order.
  std::stable_sort(used.begin(), used.end(), [&](unsigned a, unsigned b) { return weight[a] < weight[b]; });
  const size_t leaves = used.size();
  std::vector<uint64_t> nodeWeight(leaves - 1);
  std::vector<int> parent(2 * leaves - 1, -1); // leaves 0..leaves-1, inner nodes leaves..
  size_t leafNext = 0, nodeNext = 0, nodeCount = 0;
  auto takeSmallest = [&]() -> size_t {
    if (leafNext < leaves && (nodeNext >= nodeCount || weight[used[leafNext]] <= nodeWeight[nodeNext]))
      return leafNext++;
    return leaves + nodeNext++;
  };
  auto weightOf = [&](size_t id) { return id < leaves ? weight[used[id]] : nodeWeight[id - leaves]; };
  for (size_t k = 0; k < leaves - 1; k++) {
    size_t a = takeSmallest();
    size_t b = takeSmallest();
    nodeWeight[nodeCount] = weightOf(a) + weightOf(b);
    parent[a] = parent[b] = int(leaves + nodeCount);
    nodeCount++;
  }
  // Depths: the root is the last inner node; parents always come later.
  std::vector<unsigned> depth(2 * leaves - 1, 0);
  for (size_t id = 2 * leaves - 2; id-- > 0;)
    depth[id] = depth[size_t(parent[id])] + 1;

  // Count leaves per depth, folding everything deeper than the limit into it,
  // then restore the Kraft equality by lengthening a shorter code for every
  // two codes pulled up (the classic length-limiting adjustment).
  std::vector<uint32_t> perLength(std::max<unsigned>(maxLength, 64) + 1, 0);
  for (size_t id = 0; id < leaves; id++)
    perLength[std::min<unsigned>(depth[id], maxLength)]++;
  auto kraft = [&]() {
    uint64_t sum = 0;
    for (unsigned len = 1; len <= maxLength; len++)
      sum += uint64_t(perLength[len]) << (maxLength - len);
    return sum;
  };
  const uint64_t full = uint64_t(1) << maxLength;
  while (kraft() > full) {
    perLength[maxLength]--;
    unsigned len = maxLength - 1;
    while (perLength[len] == 0)
      len--;
    perLength[len]--;
    perLength[len + 1] += 2;
  }
  // Longest codes to the rarest symbols: `used` is sorted by rising weight.
  size_t next = 0;
  for (unsigned len = maxLength; len >= 1; len--)
    for (uint32_t k = 0; k < perLength[len]; k++)
      lengths[used[next++]] = uint8_t(len);
  return lengths;
}

std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t> &lengths) {
  uint32_t count[kMaxCodeLength + 2] = {};
  for (uint8_t len : lengths)
    count[len]++;
  count[0] = 0;
  uint32_t next[kMaxCodeLength + 2] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; len++) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint16_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); s++)
    if (lengths[s])
      codes[s] = uint16_t(next[lengths[s]]++);
  return codes;
}

uint64_t CodedBits(const std::vector<uint32_t> &freqs, const uint8_t *lengths) {
  uint64_t bits = 0;
  for (size_t s = 0; s < freqs.size(); s++) {
    if (freqs[s] == 0)
      continue;
    if (lengths[s] == 0)
      return UINT64_MAX;
    bits += uint64_t(freqs[s]) * lengths[s];
  }
  return bits;
}

} // namespace rarpack
