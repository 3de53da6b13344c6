// SPDX-License-Identifier: MIT
// The RAR 2.0 stream encoder. Input is cut into units of about 32 KiB; each
// unit is parsed (LZ) and, for sampled sound, also run through the audio
// predictor, and the cheaper coding is kept. Units with similar statistics
// are gathered into one block under one set of Huffman tables; a block whose
// statistics drift from the tables in force gets new ones.
//
// The pieces: the match finder holds the input, the LZ parser and the audio
// mode code a unit, the block planner gathers units and picks tables, and
// the symbol emitter writes the bits. This file feeds them the input.
#include "rarpack/encoder.h"

#include <algorithm>

#include "rarpack/audio_mode.h"
#include "rarpack/block_planner.h"
#include "rarpack/coded_block.h"
#include "rarpack/lz_parser.h"
#include "rarpack/match_finder.h"
#include "rarpack/symbol_emitter.h"

namespace rarpack {

namespace {

constexpr size_t kLookahead = kMaxMatch + 2; // bytes kept unparsed until the entry's end is known
constexpr size_t kGuessBytes = 65536;        // input looked at before guessing whether it is sound

} // namespace

struct Rar20Encoder::Impl {
  explicit Impl(int level) : parser(level, finder), planner(emitter) {
    for (Block &unit : units)
      unit.ReserveLargest();
  }

  MatchFinder finder; // the input: up to 1 MiB of history, then what is not coded yet
  LzParser parser;
  AudioMode audio;
  SymbolEmitter emitter;
  BlockPlanner planner;
  Block units[2];           // the unit being weighed, LZ and audio (kept to reuse their memory)
  size_t pos = 0;           // next input position to code (finder buffer index)
  bool stateExists = false; // an entry was encoded (a solid continuation may follow)
  EntryStats stats;

  void BeginEntry(bool continuation, int audioChoice) {
    const bool fresh = !continuation || !stateExists;
    if (fresh) {
      finder.Clear();
      pos = 0;
      parser.Reset();
      audio.Reset();
      emitter.Reset();
    }
    emitter.BeginEntry(fresh);
    planner.BeginEntry();
    parser.BeginEntry();
    audio.BeginEntry(audioChoice);
    stats = EntryStats{};
  }

  void Write(const uint8_t *data, size_t size) {
    while (size > 0) {
      size_t shift = 0;
      size_t n = finder.Append(data, std::min<size_t>(size, kUnit), pos, &shift);
      pos -= shift;
      data += n;
      size -= n;
      if (audio.GuessPending() && finder.End() - pos >= kGuessBytes)
        GuessAudio();
      while (!audio.GuessPending() && finder.End() - pos >= kUnit + kLookahead)
        CodeUnit(pos + kUnit);
    }
  }

  void FinishEntry() {
    if (audio.GuessPending())
      GuessAudio();
    while (pos < finder.End())
      CodeUnit(std::min(pos + kUnit, finder.End()));
    planner.Flush();
    emitter.FinishEntry();
    stateExists = true;
  }

  void GuessAudio() { audio.Guess(finder.Data() + pos, finder.End() - pos); }

  // Codes the input from pos to `to` (or a little past it, where a match
  // runs on) the cheaper of the ways tried, and hands it to the planner.
  void CodeUnit(size_t to) {
    const AudioMode::Trial trial = audio.NextUnit();
    Block &lzUnit = units[0], &audioUnit = units[1];
    const LzState lzBefore = parser.State();
    size_t end = to;
    if (trial.lz) {
      lzUnit.Start(false, 0);
      end = parser.Parse(pos, to, lzUnit);
    }
    if (trial.audio)
      audio.Code(finder.Data(), pos, end, audioUnit);
    bool useAudio = trial.audio;
    if (trial.audio && trial.lz) {
      Evaluate(lzUnit);
      Evaluate(audioUnit);
      useAudio = audioUnit.ownCost < lzUnit.ownCost;
      audio.Weigh(lzUnit.ownCost, audioUnit.ownCost);
    }
    if (useAudio) {
      parser.SetState(lzBefore);
      audio.Keep();
      finder.InsertUpTo(end);
      stats.audioBytes += end - pos;
      AddUnit(audioUnit);
    } else {
      if (lzUnit.lengths.empty())
        Evaluate(lzUnit);
      parser.SetDry(lzUnit.ownCost >= uint64_t(end - pos) * 8 * 985 / 1000);
      AddUnit(lzUnit);
    }
    pos = end;
  }

  void AddUnit(Block &unit) {
    planner.Add(unit);
    if (const std::vector<uint8_t> *lengths = planner.LzLengths())
      parser.SetPrices(*lengths);
  }

  const EntryStats &CurrentStats() {
    stats.tableReads = emitter.TablesWritten();
    return stats;
  }
};

Rar20Encoder::Rar20Encoder(int level) : impl(new Impl(level)) {}
Rar20Encoder::~Rar20Encoder() = default;
bool Rar20Encoder::HasState() const {
  return impl->stateExists;
}
void Rar20Encoder::BeginEntry(bool continuation, int audio) {
  impl->BeginEntry(continuation, audio);
}
void Rar20Encoder::Write(const uint8_t *data, size_t size) {
  impl->Write(data, size);
}
void Rar20Encoder::FinishEntry() {
  impl->FinishEntry();
}
std::vector<uint8_t> &Rar20Encoder::Output() {
  return impl->emitter.Bytes();
}
const Rar20Encoder::EntryStats &Rar20Encoder::Stats() const {
  return impl->CurrentStats();
}

} // namespace rarpack
