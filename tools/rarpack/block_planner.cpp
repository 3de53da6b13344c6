// SPDX-License-Identifier: MIT
#include "rarpack/block_planner.h"

#include <utility>

#include "rar/rar_format.h"
#include "rarpack/huffman.h"
#include "rarpack/symbol_emitter.h"
#include "rarpack/table_header.h"

namespace rarpack {

namespace {

// Code lengths for a block's counts: per table, with the new-tables symbol
// always given a code so that the block can be left.
std::vector<uint8_t> BuildLengths(bool audio, unsigned channels, const std::vector<uint32_t> &freq) {
  std::vector<uint8_t> lengths;
  auto add = [&](size_t from, size_t count, std::vector<unsigned> forced) {
    std::vector<uint32_t> part(freq.begin() + long(from), freq.begin() + long(from + count));
    std::vector<uint8_t> l = HuffmanLengths(part, kMaxCodeLength, forced);
    lengths.insert(lengths.end(), l.begin(), l.end());
  };
  if (audio) {
    for (unsigned c = 0; c < channels; c++)
      add(c * kAudioSymbols, kAudioSymbols, {kAudioNewTableSymbol});
  } else {
    add(0, kMainSymbols, {kNewTableSymbol});
    add(kMainSymbols, kDistSymbols, {});
    add(kMainSymbols + kDistSymbols, kRepeatSymbols, {});
  }
  return lengths;
}

} // namespace

void Evaluate(Block &b) {
  b.lengths = BuildLengths(b.audio, b.channels, b.freq);
  b.ownCost = CodedBits(b.freq, b.lengths.data()) + HeaderBits(b.audio, b.channels, b.lengths) + b.extraBits;
}

BlockPlanner::BlockPlanner(SymbolEmitter &symbolEmitter) : emitter(symbolEmitter) {
  block.ReserveLargest();
}

// A unit can join the block only under tables of the same layout, and while
// the block stays within its size.
bool BlockPlanner::Joins(const Block &unit) const {
  return block.audio == unit.audio && block.channels == unit.channels && block.Size() + unit.Size() <= kMaxBlock;
}

void BlockPlanner::Add(Block &unit) {
  if (unit.lengths.empty())
    Evaluate(unit);
  if (!block.Empty() && !Joins(unit))
    Flush();
  if (block.Empty()) {
    std::swap(block, unit);
    return;
  }
  Block merged;
  merged.audio = block.audio;
  merged.channels = block.channels;
  merged.freq = block.freq;
  for (size_t s = 0; s < merged.freq.size(); s++)
    merged.freq[s] += unit.freq[s];
  merged.extraBits = block.extraBits + unit.extraBits;
  Evaluate(merged);
  if (merged.ownCost <= block.ownCost + unit.ownCost) {
    block.commands.insert(block.commands.end(), unit.commands.begin(), unit.commands.end());
    block.items.insert(block.items.end(), unit.items.begin(), unit.items.end());
    block.freq = std::move(merged.freq);
    block.extraBits = merged.extraBits;
    block.lengths = std::move(merged.lengths);
    block.ownCost = merged.ownCost;
  } else {
    Flush();
    std::swap(block, unit);
  }
}

// Coded with the tables in force, or with its own after the new-tables
// symbol and their header: whichever is no longer keeps the old ones.
bool BlockPlanner::KeepsTablesInForce() const {
  if (!emitter.TablesFit(block.audio, block.channels))
    return false;
  const uint64_t old = CodedBits(block.freq, emitter.Lengths().data());
  if (old == UINT64_MAX)
    return false;
  const uint64_t fresh = CodedBits(block.freq, block.lengths.data()) +
                         HeaderBits(block.audio, block.channels, block.lengths) + emitter.NewTablesBits();
  return old <= fresh;
}

void BlockPlanner::Flush() {
  if (block.Empty())
    return;
  if (block.lengths.empty())
    Evaluate(block);
  if (!KeepsTablesInForce())
    emitter.SwitchTables(block.audio, block.channels, block.lengths);
  emitter.PutBlock(block);
  block.Start(false, 0);
}

} // namespace rarpack
