// SPDX-License-Identifier: MIT
// Gathers coded units into blocks under one set of Huffman tables: a unit
// joins the block being gathered where one set of tables for both costs no
// more than a set each, else the block is written and the unit starts the
// next. A block written keeps the decoder's tables in force where they code
// it no worse than its own tables would with their header.
#pragma once
#include <cstdint>
#include <vector>

#include "rarpack/coded_block.h"

namespace rarpack {

class SymbolEmitter;

// Builds a block's own code lengths and prices it with them (ownCost).
void Evaluate(Block &block);

class BlockPlanner {
public:
  explicit BlockPlanner(SymbolEmitter &emitter);

  // A new entry: nothing gathered yet.
  void BeginEntry() { block.Start(false, 0); }
  // Takes a unit into the block being gathered or starts a new block with it
  // (the unit is left holding spare memory).
  void Add(Block &unit);
  // Writes the block being gathered.
  void Flush();
  // The code lengths the block being gathered has, where it is LZ-coded: what
  // the next unit will probably be coded with.
  const std::vector<uint8_t> *LzLengths() const { return block.audio ? nullptr : &block.lengths; }

private:
  bool Joins(const Block &unit) const;
  bool KeepsTablesInForce() const;

  SymbolEmitter &emitter;
  Block block; // the block being gathered
};

} // namespace rarpack
