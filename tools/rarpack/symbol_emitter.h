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
  void reset();
  // Starts an entry; where it starts a fresh stream its first tables follow
  // without a new-tables symbol.
  void beginEntry(bool fresh);

  // Whether the decoder's tables in force can code a block of this mode and
  // channel count, and their code lengths.
  bool tablesFit(bool audio, unsigned channels) const;
  const std::vector<uint8_t> &lengths() const { return lengths_; }
  // Bits of the new-tables symbol under the tables in force.
  unsigned newTablesBits() const;

  // Leaves the tables in force and writes new ones.
  void switchTables(bool audio, unsigned channels, const std::vector<uint8_t> &lengths);
  // Writes a block's items under the tables in force.
  void putBlock(const Block &block);
  // Ends the entry's packed data on a whole byte.
  void finishEntry();

  // Packed bytes so far; the caller may take them and clear the vector.
  std::vector<uint8_t> &bytes() { return out_.bytes(); }
  // Table headers written in this entry.
  unsigned tablesWritten() const { return tablesWritten_; }

private:
  void putSymbol(unsigned index) { out_.put(codes_[index], lengths_[index]); }
  void putNewTablesSymbol();
  void putCommand(const Command &c);
  void writeTables(bool audio, unsigned channels, const std::vector<uint8_t> &lengths);

  BitWriter out_;
  unsigned emitChannel_ = 0;             // the decoder's current audio channel
  bool haveTables_ = false;              // the decoder holds tables
  bool tablesAudio_ = false;             // ... in audio mode
  unsigned tablesChannels_ = 0;          // ... with this many channels
  std::vector<uint8_t> lengths_;         // ... their code lengths
  std::vector<uint16_t> codes_;          // ... and canonical codes
  uint8_t previous_[kTableLengths] = {}; // the decoder's previous lengths
  bool previousAudio_ = false;           // mode and count of the table they came from
  unsigned previousCount_ = 0;           // 0: all zero (after a reset)
  bool freshStream_ = false;             // the next tables are the stream's first
  unsigned tablesWritten_ = 0;
};

} // namespace rarpack
