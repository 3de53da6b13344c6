// SPDX-License-Identifier: MIT
#include "rarpack/table_header.h"

#include <algorithm>

#include "rar/rar_format.h"
#include "rarpack/huffman.h"

namespace rarpack {

namespace {

const uint8_t kZeros[kTableLengths] = {};

void PlanLengths(const uint8_t *lengths, const uint8_t *previous, unsigned count, LengthPlan &plan) {
  plan.symbols.clear();
  plan.extra.clear();
  unsigned i = 0;
  while (i < count) {
    unsigned run = 1;
    while (i + run < count && lengths[i + run] == lengths[i])
      run++;
    if (lengths[i] == 0 && run >= 3) {
      unsigned n = run >= 11 ? std::min(run, 138u) : std::min(run, 10u);
      plan.symbols.push_back(n >= 11 ? 18 : 17);
      plan.extra.push_back(uint8_t(n >= 11 ? n - 11 : n - 3));
      i += n;
      continue;
    }
    if (i > 0 && lengths[i] == lengths[i - 1] && run >= 3) {
      // Worth it only where the differences to the previous table are not all 0 already.
      bool unchanged = true;
      for (unsigned k = 0; k < std::min(run, 6u); k++)
        unchanged = unchanged && lengths[i + k] == previous[i + k];
      if (!unchanged) {
        unsigned n = std::min(run, 6u);
        plan.symbols.push_back(16);
        plan.extra.push_back(uint8_t(n - 3));
        i += n;
        continue;
      }
    }
    plan.symbols.push_back(uint8_t((lengths[i] - previous[i]) & 15));
    plan.extra.push_back(0);
    i++;
  }
}

unsigned ExtraBitsOf(uint8_t lengthSymbol) {
  return lengthSymbol == 16 ? 2 : lengthSymbol == 17 ? 3 : lengthSymbol == 18 ? 7 : 0;
}

} // namespace

void TableHeader::Build(bool isAudio, unsigned channelCount, const uint8_t *lengths, unsigned count,
                        const uint8_t *previous, bool keepPrevious) {
  audio = isAudio;
  channels = channelCount;
  keep = keepPrevious;
  PlanLengths(lengths, keep ? previous : kZeros, count, plan);
  std::vector<uint32_t> freq(kLevelSymbols, 0);
  for (uint8_t s : plan.symbols)
    freq[s]++;
  codeLengths = HuffmanLengths(freq, kMaxCodeLength);
  codes = CanonicalCodes(codeLengths);
  bits = 2 + (audio ? 2 : 0) + 4 * kLevelSymbols;
  for (uint8_t s : plan.symbols)
    bits += codeLengths[s] + ExtraBitsOf(s);
}

void TableHeader::Write(BitWriter &out) const {
  out.Put(audio ? 1 : 0, 1);
  out.Put(keep ? 1 : 0, 1);
  if (audio)
    out.Put(channels - 1, 2);
  for (uint8_t l : codeLengths)
    out.Put(l, 4);
  for (size_t k = 0; k < plan.symbols.size(); k++) {
    uint8_t s = plan.symbols[k];
    out.Put(codes[s], codeLengths[s]);
    if (unsigned n = ExtraBitsOf(s))
      out.Put(plan.extra[k], n);
  }
}

uint64_t HeaderBits(bool audio, unsigned channels, const std::vector<uint8_t> &lengths) {
  TableHeader h;
  h.Build(audio, channels, lengths.data(), unsigned(lengths.size()), kZeros, false);
  return h.bits;
}

} // namespace rarpack
