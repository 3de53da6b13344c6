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
std::vector<uint8_t> build_lengths(bool audio, unsigned channels, const std::vector<uint32_t> &freq) {
  std::vector<uint8_t> lengths;
  auto add = [&](size_t from, size_t count, std::vector<unsigned> forced) {
    std::vector<uint32_t> part(freq.begin() + long(from), freq.begin() + long(from + count));
    std::vector<uint8_t> l = huffman_lengths(part, kMaxCodeLength, forced);
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

void evaluate(Block &b) {
  b.lengths = build_lengths(b.audio, b.channels, b.freq);
  b.ownCost = coded_bits(b.freq, b.lengths.data()) + header_bits(b.audio, b.channels, b.lengths) + b.extraBits;
}

BlockPlanner::BlockPlanner(SymbolEmitter &emitter) : emitter_(emitter) {
  block_.reserveLargest();
}

// A unit can join the block only under tables of the same layout, and while
// the block stays within its size.
bool BlockPlanner::joins(const Block &unit) const {
  return block_.audio == unit.audio && block_.channels == unit.channels && block_.size() + unit.size() <= kMaxBlock;
}

void BlockPlanner::add(Block &unit) {
  if (unit.lengths.empty())
    evaluate(unit);
  if (!block_.empty() && !joins(unit))
    flush();
  if (block_.empty()) {
    std::swap(block_, unit);
    return;
  }
  Block merged;
  merged.audio = block_.audio;
  merged.channels = block_.channels;
  merged.freq = block_.freq;
  for (size_t s = 0; s < merged.freq.size(); s++)
    merged.freq[s] += unit.freq[s];
  merged.extraBits = block_.extraBits + unit.extraBits;
  evaluate(merged);
  if (merged.ownCost <= block_.ownCost + unit.ownCost) {
    block_.commands.insert(block_.commands.end(), unit.commands.begin(), unit.commands.end());
    block_.items.insert(block_.items.end(), unit.items.begin(), unit.items.end());
    block_.freq = std::move(merged.freq);
    block_.extraBits = merged.extraBits;
    block_.lengths = std::move(merged.lengths);
    block_.ownCost = merged.ownCost;
  } else {
    flush();
    std::swap(block_, unit);
  }
}

// Coded with the tables in force, or with its own after the new-tables
// symbol and their header: whichever is no longer keeps the old ones.
bool BlockPlanner::keepsTablesInForce() const {
  if (!emitter_.tablesFit(block_.audio, block_.channels))
    return false;
  const uint64_t old = coded_bits(block_.freq, emitter_.lengths().data());
  if (old == UINT64_MAX)
    return false;
  const uint64_t fresh = coded_bits(block_.freq, block_.lengths.data()) +
                         header_bits(block_.audio, block_.channels, block_.lengths) + emitter_.newTablesBits();
  return old <= fresh;
}

void BlockPlanner::flush() {
  if (block_.empty())
    return;
  if (block_.lengths.empty())
    evaluate(block_);
  if (!keepsTablesInForce())
    emitter_.switchTables(block_.audio, block_.channels, block_.lengths);
  emitter_.putBlock(block_);
  block_.start(false, 0);
}

} // namespace rarpack
