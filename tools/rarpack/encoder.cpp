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
      unit.reserveLargest();
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

  void beginEntry(bool continuation, int audioChoice) {
    const bool fresh = !continuation || !stateExists;
    if (fresh) {
      finder.clear();
      pos = 0;
      parser.reset();
      audio.reset();
      emitter.reset();
    }
    emitter.beginEntry(fresh);
    planner.beginEntry();
    parser.beginEntry();
    audio.beginEntry(audioChoice);
    stats = EntryStats{};
  }

  void write(const uint8_t *data, size_t size) {
    while (size > 0) {
      size_t shift = 0;
      size_t n = finder.append(data, std::min<size_t>(size, kUnit), pos, &shift);
      pos -= shift;
      data += n;
      size -= n;
      if (audio.guessPending() && finder.end() - pos >= kGuessBytes)
        guessAudio();
      while (!audio.guessPending() && finder.end() - pos >= kUnit + kLookahead)
        codeUnit(pos + kUnit);
    }
  }

  void finishEntry() {
    if (audio.guessPending())
      guessAudio();
    while (pos < finder.end())
      codeUnit(std::min(pos + kUnit, finder.end()));
    planner.flush();
    emitter.finishEntry();
    stateExists = true;
  }

  void guessAudio() { audio.guess(finder.data() + pos, finder.end() - pos); }

  // Codes the input from pos to `to` (or a little past it, where a match
  // runs on) the cheaper of the ways tried, and hands it to the planner.
  void codeUnit(size_t to) {
    const AudioMode::Trial trial = audio.nextUnit();
    Block &lzUnit = units[0], &audioUnit = units[1];
    const LzState lzBefore = parser.state();
    size_t end = to;
    if (trial.lz) {
      lzUnit.start(false, 0);
      end = parser.parse(pos, to, lzUnit);
    }
    if (trial.audio)
      audio.code(finder.data(), pos, end, audioUnit);
    bool useAudio = trial.audio;
    if (trial.audio && trial.lz) {
      evaluate(lzUnit);
      evaluate(audioUnit);
      useAudio = audioUnit.ownCost < lzUnit.ownCost;
      audio.weigh(lzUnit.ownCost, audioUnit.ownCost);
    }
    if (useAudio) {
      parser.setState(lzBefore);
      audio.keep();
      finder.insertUpTo(end);
      stats.audioBytes += end - pos;
      addUnit(audioUnit);
    } else {
      if (lzUnit.lengths.empty())
        evaluate(lzUnit);
      parser.setDry(lzUnit.ownCost >= uint64_t(end - pos) * 8 * 985 / 1000);
      addUnit(lzUnit);
    }
    pos = end;
  }

  void addUnit(Block &unit) {
    planner.add(unit);
    if (const std::vector<uint8_t> *lengths = planner.lzLengths())
      parser.setPrices(*lengths);
  }

  const EntryStats &entryStats() {
    stats.tableReads = emitter.tablesWritten();
    return stats;
  }
};

Rar20Encoder::Rar20Encoder(int level) : impl_(new Impl(level)) {}
Rar20Encoder::~Rar20Encoder() = default;
bool Rar20Encoder::hasState() const {
  return impl_->stateExists;
}
void Rar20Encoder::beginEntry(bool continuation, int audio) {
  impl_->beginEntry(continuation, audio);
}
void Rar20Encoder::write(const uint8_t *data, size_t size) {
  impl_->write(data, size);
}
void Rar20Encoder::finishEntry() {
  impl_->finishEntry();
}
std::vector<uint8_t> &Rar20Encoder::output() {
  return impl_->emitter.bytes();
}
const Rar20Encoder::EntryStats &Rar20Encoder::entryStats() const {
  return impl_->entryStats();
}

} // namespace rarpack
