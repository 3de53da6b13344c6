// SPDX-License-Identifier: MIT
// Input as coded symbols, before a bit is written: LZ commands or audio
// deltas, with the count of every table symbol they use, so that tables can
// be built for them and their size weighed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rar/rar_format.h"
#include "rarpack/lz_codes.h"
#include "rarpack/match_finder.h"

namespace rarpack {

constexpr size_t kUnit = 32 * 1024;   // input bytes per coding decision
constexpr size_t kMaxBlock = 1 << 18; // items per block at most

// One coded item: a literal (sym < 256), or a match in the form chosen for it.
struct Command {
  uint16_t sym;
  uint16_t length;
  uint32_t distance;
};

// One audio item: the channel it belongs to and its delta.
struct AudioItem {
  uint8_t channel;
  uint8_t delta;
};

// Commands or audio items under one set of tables, with their symbol counts.
// LZ counts are laid out main, distance, repeat-length (kLzLengths); audio
// counts one run of kAudioSymbols per channel. A unit of input is one, and
// so is a block of units gathered under one set of tables.
struct Block {
  bool audio = false;
  unsigned channels = 0;
  std::vector<Command> commands;
  std::vector<AudioItem> items;
  std::vector<uint32_t> freq;
  uint64_t extraBits = 0;       // bits outside the Huffman codes
  std::vector<uint8_t> lengths; // own code lengths for freq
  uint64_t ownCost = 0;         // bits with its own tables, header included

  bool Empty() const { return commands.empty() && items.empty(); }
  size_t Size() const { return commands.size() + items.size(); }
  void Start(bool isAudio, unsigned channelCount) {
    audio = isAudio;
    channels = channelCount;
    commands.clear();
    items.clear();
    freq.assign(isAudio ? kAudioSymbols * channelCount : kLzLengths, 0);
    extraBits = 0;
    lengths.clear();
    ownCost = 0;
  }
  // Room for the largest block from the start: growing it later would copy
  // it and fault in fresh pages again and again.
  void ReserveLargest() {
    commands.reserve(kMaxBlock + kUnit + kMaxMatch);
    items.reserve(kMaxBlock + kUnit + kMaxMatch);
  }

  // Adds an LZ command with the symbols and extra bits it is coded with.
  void Add(const Command &c) {
    commands.push_back(c);
    freq[c.sym]++;
    if (c.sym >= kOldDistanceSymbol && c.sym < kShortMatchSymbol) {
      unsigned slot = LengthSlot(c.length - 2 - RepeatBonus(c.distance));
      freq[kMainSymbols + kDistSymbols + slot]++;
      extraBits += kLengthBits[slot];
    } else if (c.sym >= kShortMatchSymbol && c.sym < kNewTableSymbol) {
      extraBits += kShortDistBits[c.sym - kShortMatchSymbol];
    } else if (c.sym >= kLongMatchSymbol) {
      unsigned d = DistSlot(c.distance);
      freq[kMainSymbols + d]++;
      extraBits += kLengthBits[c.sym - kLongMatchSymbol] + kDistBits[d];
    }
  }
  void AddAudio(unsigned channel, uint8_t delta) {
    items.push_back({uint8_t(channel), delta});
    freq[channel * kAudioSymbols + delta]++;
  }
};

} // namespace rarpack
