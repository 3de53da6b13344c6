#include "rarpack/symbol_emitter.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "rarpack/huffman.h"
#include "rarpack/table_header.h"

namespace rarpack {

void SymbolEmitter::reset() {
  emitChannel_ = 0;
  haveTables_ = false;
  memset(previous_, 0, sizeof previous_);
  previousCount_ = 0;
}

void SymbolEmitter::beginEntry(bool fresh) {
  freshStream_ = fresh;
  tablesWritten_ = 0;
}

bool SymbolEmitter::tablesFit(bool audio, unsigned channels) const {
  return haveTables_ && tablesAudio_ == audio && (!audio || tablesChannels_ == channels);
}

unsigned SymbolEmitter::newTablesBits() const {
  return tablesAudio_ ? lengths_[emitChannel_ * kAudioSymbols + kAudioNewTableSymbol] : lengths_[kNewTableSymbol];
}

void SymbolEmitter::switchTables(bool audio, unsigned channels, const std::vector<uint8_t> &lengths) {
  if (!freshStream_)
    putNewTablesSymbol();
  freshStream_ = false;
  writeTables(audio, channels, lengths);
}

void SymbolEmitter::putNewTablesSymbol() {
  if (tablesAudio_)
    putSymbol(emitChannel_ * kAudioSymbols + kAudioNewTableSymbol);
  else
    putSymbol(kNewTableSymbol);
}

// The header in whichever coding is shorter: afresh, or as differences to
// the previous lengths where they came from a table of the same layout.
void SymbolEmitter::writeTables(bool audio, unsigned channels, const std::vector<uint8_t> &lengths) {
  const unsigned count = unsigned(lengths.size());
  TableHeader header;
  header.build(audio, channels, lengths.data(), count, previous_, false);
  if (previousCount_ == count && previousAudio_ == audio) {
    TableHeader keep;
    keep.build(audio, channels, lengths.data(), count, previous_, true);
    if (keep.bits < header.bits)
      header = std::move(keep);
  }
  header.write(out_);
  memcpy(previous_, lengths.data(), count);
  previousAudio_ = audio;
  previousCount_ = count;
  haveTables_ = true;
  tablesAudio_ = audio;
  tablesChannels_ = channels;
  lengths_ = lengths;
  codes_.clear();
  // Canonical codes per table of the layout.
  auto addCodes = [&](size_t from, size_t n) {
    std::vector<uint8_t> part(lengths_.begin() + long(from), lengths_.begin() + long(from + n));
    std::vector<uint16_t> c = canonical_codes(part);
    codes_.insert(codes_.end(), c.begin(), c.end());
  };
  if (audio) {
    for (unsigned c = 0; c < channels; c++)
      addCodes(c * kAudioSymbols, kAudioSymbols);
    if (emitChannel_ >= channels)
      emitChannel_ = 0;
  } else {
    addCodes(0, kMainSymbols);
    addCodes(kMainSymbols, kDistSymbols);
    addCodes(kMainSymbols + kDistSymbols, kRepeatSymbols);
  }
  tablesWritten_++;
}

void SymbolEmitter::putBlock(const Block &block) {
  if (block.audio) {
    for (const AudioItem &item : block.items) {
      putSymbol(item.channel * kAudioSymbols + item.delta);
      emitChannel_ = item.channel + 1u >= tablesChannels_ ? 0 : item.channel + 1u;
    }
  } else {
    for (const Command &c : block.commands)
      putCommand(c);
  }
}

void SymbolEmitter::putCommand(const Command &c) {
  putSymbol(c.sym);
  if (c.sym <= kRepeatLastSymbol)
    return;
  if (c.sym < kShortMatchSymbol) {
    uint32_t v = c.length - 2 - repeat_bonus(c.distance);
    unsigned slot = length_slot(v);
    putSymbol(kMainSymbols + kDistSymbols + slot);
    out_.put(v - kLengthBase[slot], kLengthBits[slot]);
  } else if (c.sym < kNewTableSymbol) {
    unsigned slot = c.sym - kShortMatchSymbol;
    out_.put(c.distance - 1 - kShortDistBase[slot], kShortDistBits[slot]);
  } else {
    unsigned slot = c.sym - kLongMatchSymbol;
    uint32_t v = c.length - 3 - long_bonus(c.distance);
    out_.put(v - kLengthBase[slot], kLengthBits[slot]);
    unsigned d = dist_slot(c.distance);
    putSymbol(kMainSymbols + d);
    out_.put(c.distance - 1 - kDistBase[d], kDistBits[d]);
  }
}

// After an entry's last symbol the decoder may decode one more symbol to
// see whether new tables follow; give it a harmless one. Then zero bytes,
// so that a decoder peeking ahead for its last codes (unar does in audio
// mode) finds input there: 32 bits after the last symbol in all.
void SymbolEmitter::finishEntry() {
  const uint64_t lastSymbolEnd = out_.bitCount();
  size_t from = tablesAudio_ ? emitChannel_ * kAudioSymbols : 0;
  size_t count = tablesAudio_ ? kAudioSymbols : kMainSymbols;
  size_t avoid = tablesAudio_ ? from + kAudioNewTableSymbol : kNewTableSymbol;
  size_t pick = SIZE_MAX;
  for (size_t s = from; s < from + count; s++)
    if (s != avoid && lengths_[s] && (pick == SIZE_MAX || lengths_[s] < lengths_[pick]))
      pick = s;
  if (pick != SIZE_MAX)
    putSymbol(unsigned(pick));
  out_.alignToByte();
  while (out_.bitCount() < lastSymbolEnd + 32)
    out_.put(0, 8);
}

} // namespace rarpack
