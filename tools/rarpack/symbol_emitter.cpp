// SPDX-License-Identifier: MIT
#include "rarpack/symbol_emitter.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "rarpack/huffman.h"
#include "rarpack/table_header.h"

namespace rarpack {

void SymbolEmitter::Reset() {
  emitChannel = 0;
  haveTables = false;
  memset(previous, 0, sizeof previous);
  previousCount = 0;
}

void SymbolEmitter::BeginEntry(bool fresh) {
  freshStream = fresh;
  tablesWritten = 0;
}

bool SymbolEmitter::TablesFit(bool audio, unsigned channels) const {
  return haveTables && tablesAudio == audio && (!audio || tablesChannels == channels);
}

unsigned SymbolEmitter::NewTablesBits() const {
  return tablesAudio ? lengths[emitChannel * kAudioSymbols + kAudioNewTableSymbol] : lengths[kNewTableSymbol];
}

void SymbolEmitter::SwitchTables(bool audio, unsigned channels, const std::vector<uint8_t> &newLengths) {
  if (!freshStream)
    PutNewTablesSymbol();
  freshStream = false;
  WriteTables(audio, channels, newLengths);
}

void SymbolEmitter::PutNewTablesSymbol() {
  if (tablesAudio)
    PutSymbol(emitChannel * kAudioSymbols + kAudioNewTableSymbol);
  else
    PutSymbol(kNewTableSymbol);
}

// The header in whichever coding is shorter: afresh, or as differences to
// the previous lengths where they came from a table of the same layout.
void SymbolEmitter::WriteTables(bool audio, unsigned channels, const std::vector<uint8_t> &newLengths) {
  const unsigned count = unsigned(newLengths.size());
  TableHeader header;
  header.Build(audio, channels, newLengths.data(), count, previous, false);
  if (previousCount == count && previousAudio == audio) {
    TableHeader keep;
    keep.Build(audio, channels, newLengths.data(), count, previous, true);
    if (keep.bits < header.bits)
      header = std::move(keep);
  }
  header.Write(out);
  memcpy(previous, newLengths.data(), count);
  previousAudio = audio;
  previousCount = count;
  haveTables = true;
  tablesAudio = audio;
  tablesChannels = channels;
  lengths = newLengths;
  codes.clear();
  // Canonical codes per table of the layout.
  auto addCodes = [&](size_t from, size_t n) {
    std::vector<uint8_t> part(lengths.begin() + long(from), lengths.begin() + long(from + n));
    std::vector<uint16_t> c = CanonicalCodes(part);
    codes.insert(codes.end(), c.begin(), c.end());
  };
  if (audio) {
    for (unsigned c = 0; c < channels; c++)
      addCodes(c * kAudioSymbols, kAudioSymbols);
    if (emitChannel >= channels)
      emitChannel = 0;
  } else {
    addCodes(0, kMainSymbols);
    addCodes(kMainSymbols, kDistSymbols);
    addCodes(kMainSymbols + kDistSymbols, kRepeatSymbols);
  }
  tablesWritten++;
}

void SymbolEmitter::PutBlock(const Block &block) {
  if (block.audio) {
    for (const AudioItem &item : block.items) {
      PutSymbol(item.channel * kAudioSymbols + item.delta);
      emitChannel = item.channel + 1u >= tablesChannels ? 0 : item.channel + 1u;
    }
  } else {
    for (const Command &c : block.commands)
      PutCommand(c);
  }
}

void SymbolEmitter::PutCommand(const Command &c) {
  PutSymbol(c.sym);
  if (c.sym <= kRepeatLastSymbol)
    return;
  if (c.sym < kShortMatchSymbol) {
    uint32_t v = c.length - 2 - RepeatBonus(c.distance);
    unsigned slot = LengthSlot(v);
    PutSymbol(kMainSymbols + kDistSymbols + slot);
    out.Put(v - kLengthBase[slot], kLengthBits[slot]);
  } else if (c.sym < kNewTableSymbol) {
    unsigned slot = c.sym - kShortMatchSymbol;
    out.Put(c.distance - 1 - kShortDistBase[slot], kShortDistBits[slot]);
  } else {
    unsigned slot = c.sym - kLongMatchSymbol;
    uint32_t v = c.length - 3 - LongBonus(c.distance);
    out.Put(v - kLengthBase[slot], kLengthBits[slot]);
    unsigned d = DistSlot(c.distance);
    PutSymbol(kMainSymbols + d);
    out.Put(c.distance - 1 - kDistBase[d], kDistBits[d]);
  }
}

// After an entry's last symbol the decoder may decode one more symbol to
// see whether new tables follow; give it a harmless one. Then zero bytes,
// so that a decoder peeking ahead for its last codes (unar does in audio
// mode) finds input there: 32 bits after the last symbol in all.
void SymbolEmitter::FinishEntry() {
  const uint64_t lastSymbolEnd = out.BitCount();
  size_t from = tablesAudio ? emitChannel * kAudioSymbols : 0;
  size_t count = tablesAudio ? kAudioSymbols : kMainSymbols;
  size_t avoid = tablesAudio ? from + kAudioNewTableSymbol : kNewTableSymbol;
  size_t pick = SIZE_MAX;
  for (size_t s = from; s < from + count; s++)
    if (s != avoid && lengths[s] && (pick == SIZE_MAX || lengths[s] < lengths[pick]))
      pick = s;
  if (pick != SIZE_MAX)
    PutSymbol(unsigned(pick));
  out.AlignToByte();
  while (out.BitCount() < lastSymbolEnd + 32)
    out.Put(0, 8);
}

} // namespace rarpack
