#include "rarpack/table_header.h"

#include <algorithm>

#include "rar/rar_format.h"
#include "rarpack/huffman.h"

namespace rarpack {

namespace {

const uint8_t kZeros[kTableLengths] = {};

void plan_lengths(const uint8_t *lengths, const uint8_t *previous, unsigned count, LengthPlan &plan) {
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

unsigned extra_bits_of(uint8_t lengthSymbol) {
  return lengthSymbol == 16 ? 2 : lengthSymbol == 17 ? 3 : lengthSymbol == 18 ? 7 : 0;
}

} // namespace

void TableHeader::build(bool isAudio, unsigned channelCount, const uint8_t *lengths, unsigned count,
                        const uint8_t *previous, bool keepPrevious) {
  audio = isAudio;
  channels = channelCount;
  keep = keepPrevious;
  plan_lengths(lengths, keep ? previous : kZeros, count, plan);
  std::vector<uint32_t> freq(kLevelSymbols, 0);
  for (uint8_t s : plan.symbols)
    freq[s]++;
  codeLengths = huffman_lengths(freq, kMaxCodeLength);
  codes = canonical_codes(codeLengths);
  bits = 2 + (audio ? 2 : 0) + 4 * kLevelSymbols;
  for (uint8_t s : plan.symbols)
    bits += codeLengths[s] + extra_bits_of(s);
}

void TableHeader::write(BitWriter &out) const {
  out.put(audio ? 1 : 0, 1);
  out.put(keep ? 1 : 0, 1);
  if (audio)
    out.put(channels - 1, 2);
  for (uint8_t l : codeLengths)
    out.put(l, 4);
  for (size_t k = 0; k < plan.symbols.size(); k++) {
    uint8_t s = plan.symbols[k];
    out.put(codes[s], codeLengths[s]);
    if (unsigned n = extra_bits_of(s))
      out.put(plan.extra[k], n);
  }
}

uint64_t header_bits(bool audio, unsigned channels, const std::vector<uint8_t> &lengths) {
  TableHeader h;
  h.build(audio, channels, lengths.data(), unsigned(lengths.size()), kZeros, false);
  return h.bits;
}

} // namespace rarpack
