// SPDX-License-Identifier: MIT
// Writes the packed bits: table headers, then the symbols and extra bits of
// each block under them. Keeps the encoder's picture of the decoder as it
// will be when the bits written so far are decoded: the tables in force, the
// previous code lengths new ones may be coded against, the audio channel.
#pragma once
#include <cstdint>
#include <vector>

#include "rar/rar_format.h"
#include "rarpack/bit_writer.h"
#include "rarpack/coded_block.h"

namespace rarpack {

class SymbolEmitter {
public:
  // A fresh stream: the decoder holds no tables and its previous code
  // lengths are all zero.
  void Reset();
  // Starts an entry; where it starts a fresh stream its first tables follow
  // without a new-tables symbol.
  void BeginEntry(bool fresh);

  // Whether the decoder's tables in force can code a block of this mode and
  // channel count, and their code lengths.
  bool TablesFit(bool audio, unsigned channels) const;
  const std::vector<uint8_t> &Lengths() const { return lengths; }
  // Bits of the new-tables symbol under the tables in force.
  unsigned NewTablesBits() const;

  // Leaves the tables in force and writes new ones.
  void SwitchTables(bool audio, unsigned channels, const std::vector<uint8_t> &newLengths);
  // Writes a block's items under the tables in force.
  void PutBlock(const Block &block);
  // Ends the entry's packed data on a whole byte.
  void FinishEntry();

  // Packed bytes so far; the caller may take them and clear the vector.
  std::vector<uint8_t> &Bytes() { return out.Bytes(); }
  // Table headers written in this entry.
  unsigned TablesWritten() const { return tablesWritten; }

private:
  void PutSymbol(unsigned index) { out.Put(codes[index], lengths[index]); }
  void PutNewTablesSymbol();
  void PutCommand(const Command &c);
  void WriteTables(bool audio, unsigned channels, const std::vector<uint8_t> &newLengths);

  BitWriter out;
  unsigned emitChannel = 0;             // the decoder's current audio channel
  bool haveTables = false;              // the decoder holds tables
  bool tablesAudio = false;             // ... in audio mode
  unsigned tablesChannels = 0;          // ... with this many channels
  std::vector<uint8_t> lengths;         // ... their code lengths
  std::vector<uint16_t> codes;          // ... and canonical codes
  uint8_t previous[kTableLengths] = {}; // the decoder's previous lengths
  bool previousAudio = false;           // mode and count of the table they came from
  unsigned previousCount = 0;           // 0: all zero (after a reset)
  bool freshStream = false;             // the next tables are the stream's first
  unsigned tablesWritten = 0;
};

} // namespace rarpack
