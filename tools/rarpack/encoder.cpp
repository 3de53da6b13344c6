// The RAR 2.0 stream encoder. Input is cut into units of about 32 KiB; each
// unit is parsed (LZ) and, for sampled sound, also run through the audio
// predictor, and the cheaper coding is kept. Units with similar statistics
// are gathered into one block under one set of Huffman tables; a block whose
// statistics drift from the tables in force gets new ones.
#include "rarpack/encoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

#include "rar/rar_format.h"
#include "rarpack/audio_predictor.h"
#include "rarpack/block_planner.h"
#include "rarpack/coded_block.h"
#include "rarpack/lz_codes.h"
#include "rarpack/match_finder.h"
#include "rarpack/symbol_emitter.h"

namespace rarpack {

namespace {

// The decoder's old-distance ring and last match.
struct LzState {
  uint32_t ring[4] = {}; // last four distances, ring[count & 3] is overwritten next
  uint32_t count = 0;    // matches so far (only its low two bits matter)
  uint32_t lastDistance = 0;
  uint32_t lastLength = 0;

  uint32_t old(unsigned k) const { return ring[(count - 1 - k) & 3]; } // k = 0: newest
  void push(uint32_t length, uint32_t distance) {
    lastDistance = distance;
    ring[count++ & 3] = distance;
    lastLength = length;
  }
};

struct LevelConfig {
  unsigned depth;      // hash-chain links followed per search
  uint32_t goodLength; // a match this long cuts the rest of the search to a quarter
  uint32_t niceLength; // a match this long is taken at once
  uint32_t lazyLimit;  // look one byte ahead unless the match is this long (0: never)
  unsigned missShift;  // after 2^missShift positions without a match, search every 2nd, and so on
  bool optimal;        // choose matches by the cheapest path through a stretch of input, not one by one
};

LevelConfig level_config(int level) {
  switch (level) {
  case 1:
    return {4, 8, 24, 0, 4, false};
  case 2:
    return {8, 12, 32, 12, 5, false};
  case 4:
    return {24, 32, 64, 0, 7, true};
  case 5:
    return {96, 64, 128, 0, 8, true};
  default:
    return {16, 16, 64, 16, 6, false};
  }
}

// Where a unit hardly shrank (to 98.5% or more), the next one is searched
// only now and then: compressed media have few matches, and looking for them
// at every position costs a cache miss per chain link in the 1 MiB window.
// One unit that shrinks brings the level's search back.
LevelConfig dry_config(const LevelConfig &level) {
  LevelConfig c = level;
  c.depth = std::min(c.depth, 16u);
  c.missShift = std::min(c.missShift, 3u);
  c.lazyLimit = 0;
  c.optimal = false;
  return c;
}

constexpr size_t kLookahead = kMaxMatch + 2; // bytes kept unparsed until the entry's end is known
constexpr unsigned kLzRestUnits = 7;         // units without an LZ trial after audio mode won clearly
constexpr size_t kOptimalStretch = 4096;     // positions weighed together by the optimal parser

struct Prices {
  uint32_t main[kMainSymbols];
  uint32_t dist[kDistSymbols];
  uint32_t rep[kRepeatSymbols];

  void setDefault() {
    for (unsigned s = 0; s < kMainSymbols; s++)
      main[s] = s < 256 ? 8 : s < kShortMatchSymbol ? 7 : s < kNewTableSymbol ? 8 : s == kNewTableSymbol ? 15 : 7;
    for (uint32_t &p : dist)
      p = 5;
    for (uint32_t &p : rep)
      p = 4;
  }
  void set(const std::vector<uint8_t> &lengths) {
    auto price = [](uint8_t l) { return l ? uint32_t(l) : 13u; };
    for (unsigned s = 0; s < kMainSymbols; s++)
      main[s] = price(lengths[s]);
    for (unsigned s = 0; s < kDistSymbols; s++)
      dist[s] = price(lengths[kMainSymbols + s]);
    for (unsigned s = 0; s < kRepeatSymbols; s++)
      rep[s] = price(lengths[kMainSymbols + kDistSymbols + s]);
  }
};

// The number of byte channels sampled sound in `data` seems to have: from a
// WAV header, else from how much the predictor shrinks the order-0 entropy.
// 0 when it does not look like sound.
unsigned guess_audio_channels(const uint8_t *data, size_t size) {
  auto u16 = [&](size_t at) { return unsigned(data[at]) | unsigned(data[at + 1]) << 8; };
  auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  if (size >= 36 && memcmp(data, "RIFF", 4) == 0 && memcmp(data + 8, "WAVE", 4) == 0) {
    for (size_t at = 12; at + 24 <= size;) {
      uint32_t chunk = u32(at + 4);
      if (memcmp(data + at, "fmt ", 4) == 0) {
        unsigned format = u16(at + 8), blockAlign = u16(at + 20);
        bool pcm = format == 1 || format == 0xFFFE;
        return pcm && blockAlign >= 1 && blockAlign <= 4 ? blockAlign : 0;
      }
      if (chunk > size)
        break;
      at += 8 + chunk + (chunk & 1);
    }
    return 0;
  }
  size = std::min<size_t>(size, 32768);
  if (size < 4096)
    return 0;
  auto entropy = [](const uint32_t *counts, unsigned n, size_t total) {
    double bits = 0;
    for (unsigned k = 0; k < n; k++)
      if (counts[k])
        bits -= counts[k] * std::log2(double(counts[k]) / double(total));
    return bits;
  };
  uint32_t raw[256] = {};
  for (size_t i = 0; i < size; i++)
    raw[data[i]]++;
  const double rawBits = entropy(raw, 256, size);
  double bestBits = rawBits * 0.8;
  unsigned best = 0;
  for (unsigned c = 1; c <= 4; c++) {
    AudioState state;
    state.channelCount = c;
    std::vector<uint32_t> counts(256 * c, 0);
    for (size_t i = 0; i < size; i++) {
      unsigned ch = state.currentChannel;
      counts[ch * 256 + state.encode(data[i])]++;
    }
    double bits = 0;
    for (unsigned ch = 0; ch < c; ch++) {
      size_t total = 0;
      for (unsigned k = 0; k < 256; k++)
        total += counts[ch * 256 + k];
      bits += entropy(&counts[ch * 256], 256, total);
    }
    if (bits < bestBits) {
      bestBits = bits;
      best = c;
    }
  }
  return best;
}

} // namespace

struct Rar20Encoder::Impl {
  explicit Impl(int level) : levelConfig(level_config(level)), config(levelConfig), planner(emitter) {
    prices.setDefault();
    for (Block &unit : units)
      unit.reserveLargest();
  }

  const LevelConfig levelConfig; // what the level asks for
  LevelConfig config;            // what the unit being parsed uses: the level's, or a quick look where data is dry
  bool dry = false;              // the last LZ unit hardly shrank (compressed media): search little
  MatchFinder finder;
  SymbolEmitter emitter;
  BlockPlanner planner;
  size_t pos = 0; // next input position to code (finder buffer index)

  // Encoder's picture of the decoder, as of the parse position.
  LzState lz;       // old distances and last match
  AudioState audio; // audio predictor

  bool stateExists = false; // an entry was encoded (a solid continuation may follow)
  int audioChoice = kAudioOff;
  unsigned audioChannels = 0; // channels to try in audio mode (0: none)
  bool guessPending = false;
  unsigned lzRest = 0; // units to code in audio mode before trying LZ again

  Block units[2]; // the unit being weighed, LZ and audio (kept to reuse their memory)
  Prices prices;
  EntryStats stats;
  Match matches[kMaxMatch + 2];

  // ---- decisions ---------------------------------------------------------

  struct Choice {
    uint32_t length = 0;
    uint32_t distance = 0;
    int32_t gain = INT32_MIN; // bits saved against coding the bytes as literals
  };

  // The cheapest code form for a match under `state`, with its price; sym 0 if none fits.
  Command formFor(const LzState &state, uint32_t length, uint32_t distance, uint32_t *price) const {
    Command best{0, uint16_t(length), distance};
    uint32_t bestPrice = UINT32_MAX;
    if (length == state.lastLength && distance == state.lastDistance) {
      best.sym = kRepeatLastSymbol;
      bestPrice = prices.main[kRepeatLastSymbol];
    }
    uint32_t repLength = length - 2 - repeat_bonus(distance);
    if (length >= min_repeat_length(distance) && repLength < 256) {
      for (unsigned k = 0; k < 4; k++) {
        if (state.old(k) != distance)
          continue;
        unsigned slot = length_slot(repLength);
        uint32_t p = prices.main[kOldDistanceSymbol + k] + prices.rep[slot] + kLengthBits[slot];
        if (p < bestPrice) {
          bestPrice = p;
          best.sym = uint16_t(kOldDistanceSymbol + k);
        }
        break;
      }
    }
    if (length == 2 && distance <= 256) {
      unsigned slot = short_dist_slot(distance);
      uint32_t p = prices.main[kShortMatchSymbol + slot] + kShortDistBits[slot];
      if (p < bestPrice) {
        bestPrice = p;
        best.sym = uint16_t(kShortMatchSymbol + slot);
      }
    }
    uint32_t longLength = length - 3 - long_bonus(distance);
    if (length >= min_long_length(distance) && longLength < 256) {
      unsigned slot = length_slot(longLength);
      unsigned d = dist_slot(distance);
      uint32_t p = prices.main[kLongMatchSymbol + slot] + kLengthBits[slot] + prices.dist[d] + kDistBits[d];
      if (p < bestPrice) {
        bestPrice = p;
        best.sym = uint16_t(kLongMatchSymbol + slot);
      }
    }
    *price = bestPrice;
    return best;
  }

  // The best match at p under the current old distances, by bits saved.
  Choice bestAt(size_t p, uint32_t maxLength) {
    Choice choice;
    if (maxLength < 2)
      return choice;
    const uint8_t *data = finder.data() + p;
    int32_t literalSum[kMaxMatch + 1];
    uint32_t summed = 0;
    literalSum[0] = 0;
    auto consider = [&](uint32_t length, uint32_t distance) {
      uint32_t price;
      formFor(lz, length, distance, &price);
      if (price == UINT32_MAX)
        return;
      while (summed < length) {
        literalSum[summed + 1] = literalSum[summed] + int32_t(prices.main[data[summed]]);
        summed++;
      }
      int32_t gain = literalSum[length] - int32_t(price);
      if (gain > choice.gain || (gain == choice.gain && length > choice.length))
        choice = {length, distance, gain};
    };
    if (lz.lastDistance && lz.lastLength <= maxLength &&
        finder.lengthAt(p, lz.lastDistance, lz.lastLength) == lz.lastLength)
      consider(lz.lastLength, lz.lastDistance);
    for (unsigned k = 0; k < 4; k++) {
      uint32_t d = lz.old(k);
      if (d == 0)
        continue;
      uint32_t len = finder.lengthAt(p, d, maxLength);
      if (len >= min_repeat_length(d))
        consider(len, d);
    }
    size_t n = finder.find(p, maxLength, config.depth, config.goodLength, config.niceLength, matches);
    for (size_t i = 0; i < n; i++)
      consider(matches[i].length, matches[i].distance);
    if (choice.gain <= 0)
      choice = Choice{};
    return choice;
  }

  // ---- units and blocks --------------------------------------------------

  void addLiteral(Block &b, uint8_t byte) { b.add({byte, 0, 0}); }

  void addMatch(Block &b, uint32_t length, uint32_t distance) {
    uint32_t price;
    b.add(formFor(lz, length, distance, &price));
    lz.push(length, distance);
  }

  // Parses from pos to at least `to` into `unit`; returns where it stopped.
  // Where nothing matches for a while (compressed or random data), only every
  // few positions are searched, more rarely the longer the drought; the
  // positions in between are still entered into the hash chains.
  size_t parseLz(size_t to, Block &unit) {
    size_t p = pos;
    const size_t end = finder.end();
    Choice next;
    bool haveNext = false;
    unsigned misses = 0;
    while (p < to) {
      uint32_t maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - p));
      const unsigned step = 1 + (misses >> config.missShift);
      if (step > 1 && !haveNext) {
        // Skipped positions still try the two newest old distances: cheap
        // (their bytes are in the cache), and where data has a rhythm, as
        // compressed audio frames do, that is where its matches are.
        for (size_t stop = std::min(p + step - 1, to); p < stop; p++) {
          if (finder.lengthAt(p, lz.old(0), 4) == 4 || finder.lengthAt(p, lz.old(1), 4) == 4)
            break;
          addLiteral(unit, finder.data()[p]);
        }
        if (p >= to)
          break;
        maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - p));
      }
      Choice here;
      if (haveNext) {
        here = next;
        haveNext = false;
      } else {
        finder.insertUpTo(p);
        here = bestAt(p, maxLength);
      }
      if (here.length >= 2 && here.length < config.lazyLimit && p + 2 < end) {
        finder.insertUpTo(p + 1);
        next = bestAt(p + 1, std::min(kMaxMatch, maxLength - 1));
        haveNext = true;
        if (next.gain > here.gain)
          here.length = 0;
      }
      if (here.length >= 2) {
        addMatch(unit, here.length, here.distance);
        p += here.length;
        haveNext = false;
        misses = 0;
      } else {
        addLiteral(unit, finder.data()[p]);
        p++;
        misses = std::min(misses + 1, 31u << config.missShift);
      }
    }
    finder.insertUpTo(p);
    return p;
  }

  // ---- optimal parsing --------------------------------------------------

  // One position of the stretch: the cheapest known way to reach it and the
  // decoder's old distances and last length on that way.
  struct Node {
    uint32_t price;  // bits from the stretch's start
    uint32_t from;   // position the last step started at
    uint32_t length; // 0: the step was a literal
    uint32_t distance;
    uint32_t reps[4]; // old distances, newest first
    uint32_t lastLength;
  };
  std::vector<Node> nodes;

  void relax(size_t from, size_t to, uint32_t price, uint32_t length, uint32_t distance) {
    Node &n = nodes[to];
    if (price >= n.price)
      return;
    const Node &f = nodes[from];
    n.price = price;
    n.from = uint32_t(from);
    n.length = length;
    n.distance = distance;
    n.reps[0] = distance;
    n.reps[1] = f.reps[0];
    n.reps[2] = f.reps[1];
    n.reps[3] = f.reps[2];
    n.lastLength = length;
  }

  // Weighs every literal and match in a stretch of up to kOptimalStretch
  // positions by the current prices and takes the cheapest path; a match of
  // niceLength or more ends the stretch and is taken as it is.
  size_t parseOptimal(size_t to, Block &unit) {
    size_t p = pos;
    const size_t end = finder.end();
    const uint8_t *data = finder.data();
    unsigned misses = 0;
    nodes.resize(kOptimalStretch + kMaxMatch + 1);
    while (p < to) {
      const size_t stretch = std::min(kOptimalStretch, to - p);
      const size_t reach = std::min(stretch + kMaxMatch, end - p);
      for (size_t i = 0; i <= reach; i++)
        nodes[i].price = UINT32_MAX;
      Node &start = nodes[0];
      start.price = 0;
      for (unsigned k = 0; k < 4; k++)
        start.reps[k] = lz.old(k);
      start.lastLength = lz.lastLength;
      size_t stop = stretch; // where the path ends
      Match longMatch{0, 0}; // a nice match taken after it
      size_t searchFrom = 0; // inside a good match found earlier, positions are not searched
      for (size_t i = 0; i < stretch; i++) {
        const size_t at = p + i;
        const uint32_t maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - at));
        const Node here = nodes[i];
        if (i + 1 <= reach && here.price + prices.main[data[at]] < nodes[i + 1].price) {
          Node &n = nodes[i + 1];
          n = here;
          n.price = here.price + prices.main[data[at]];
          n.from = uint32_t(i);
          n.length = 0;
        }
        const unsigned step = 1 + (misses >> config.missShift);
        if (maxLength < 2 || (step > 1 && i % step != 0)) {
          misses = std::min(misses + 1, 31u << config.missShift);
          continue;
        }
        finder.insertUpTo(at);
        bool found = false;
        // Old distances, and the previous match repeated.
        uint32_t longestRep = 0;
        for (unsigned k = 0; k < 4; k++) {
          const uint32_t d = here.reps[k];
          if (d == 0 || (k > 0 && d == here.reps[k - 1]))
            continue;
          const uint32_t len = finder.lengthAt(at, d, maxLength);
          if (k == 0 && here.lastLength >= 2 && here.lastLength <= len)
            relax(i, i + here.lastLength, here.price + prices.main[kRepeatLastSymbol], here.lastLength, d);
          const uint32_t bonus = repeat_bonus(d);
          for (uint32_t l = min_repeat_length(d); l <= len && l - 2 - bonus < 256; l++) {
            const unsigned slot = length_slot(l - 2 - bonus);
            relax(i, i + l, here.price + prices.main[kOldDistanceSymbol + k] + prices.rep[slot] + kLengthBits[slot], l,
                  d);
          }
          if (len >= min_repeat_length(d))
            found = true;
          longestRep = std::max(longestRep, len);
        }
        if (longestRep >= config.niceLength) {
          stop = i;
          longMatch = {0, 0}; // the stretch ends here; the next one starts with this match
          break;
        }
        if (i < searchFrom) {
          misses = 0;
          continue;
        }
        const size_t n = finder.find(at, maxLength, config.depth, config.goodLength, config.niceLength, matches);
        if (n > 0 && matches[n - 1].length >= config.goodLength)
          searchFrom = i + matches[n - 1].length - 1;
        uint32_t covered = 1;
        for (size_t m = 0; m < n; m++) {
          const uint32_t d = matches[m].distance;
          const uint32_t len = matches[m].length;
          found = true;
          if (len == 2) {
            const unsigned slot = short_dist_slot(d);
            relax(i, i + 2, here.price + prices.main[kShortMatchSymbol + slot] + kShortDistBits[slot], 2, d);
            covered = 2;
            continue;
          }
          const unsigned dslot = dist_slot(d);
          const uint32_t distPrice = prices.dist[dslot] + kDistBits[dslot];
          const uint32_t bonus = long_bonus(d);
          for (uint32_t l = std::max(covered + 1, min_long_length(d)); l <= len; l++) {
            const unsigned slot = length_slot(l - 3 - bonus);
            relax(i, i + l, here.price + prices.main[kLongMatchSymbol + slot] + kLengthBits[slot] + distPrice, l, d);
          }
          covered = len;
        }
        misses = found ? 0 : std::min(misses + 1, 31u << config.missShift);
        if (n > 0 && matches[n - 1].length >= config.niceLength) {
          stop = i;
          longMatch = matches[n - 1];
          break;
        }
      }
      // Walk back from the end and replay the path forwards.
      path.clear();
      for (size_t i = stop; i > 0; i = nodes[i].from)
        path.push_back(uint32_t(i));
      for (size_t k = path.size(); k-- > 0;) {
        const Node &n = nodes[path[k]];
        if (n.length == 0)
          addLiteral(unit, data[p + n.from]);
        else
          addMatch(unit, n.length, n.distance);
      }
      p += stop;
      if (longMatch.length > 0) {
        addMatch(unit, longMatch.length, longMatch.distance);
        p += longMatch.length;
        misses = 0;
      } else if (stop < stretch) {
        // A long old-distance match: let the next stretch's first step take it.
        finder.insertUpTo(p);
        Choice c = bestAt(p, uint32_t(std::min<size_t>(kMaxMatch, end - p)));
        if (c.length >= 2) {
          addMatch(unit, c.length, c.distance);
          p += c.length;
        } else {
          addLiteral(unit, data[p]);
          p++;
        }
      }
    }
    finder.insertUpTo(p);
    return p;
  }
  std::vector<uint32_t> path;

  void simulateAudio(size_t from, size_t to, AudioState &state, Block &unit) {
    const uint8_t *data = finder.data();
    for (size_t p = from; p < to; p++) {
      unsigned ch = state.currentChannel;
      unit.addAudio(ch, state.encode(data[p]));
    }
  }

  void processUnit(size_t to) {
    const bool tryAudio = audioChannels > 0;
    // Where audio mode wins clearly, LZ is tried again only every few units:
    // parsing sampled sound is slow and seldom pays.
    const bool tryLz = audioChoice <= 0 && (!tryAudio || lzRest == 0);
    if (lzRest > 0)
      lzRest--;
    Block &lzUnit = units[0], &audioUnit = units[1];
    LzState savedLz = lz;
    size_t end = to;
    config = dry ? dry_config(levelConfig) : levelConfig;
    if (tryLz) {
      lzUnit.start(false, 0);
      end = config.optimal ? parseOptimal(to, lzUnit) : parseLz(to, lzUnit);
    }
    AudioState audioCopy;
    if (tryAudio) {
      audioCopy = audio;
      if (audioCopy.currentChannel >= audioChannels)
        audioCopy.currentChannel = 0; // what reading an audio table header does
      audioCopy.channelCount = audioChannels;
      audioUnit.start(true, audioChannels);
      simulateAudio(pos, end, audioCopy, audioUnit);
    }
    bool useAudio = tryAudio;
    if (tryAudio && tryLz) {
      evaluate(lzUnit);
      evaluate(audioUnit);
      useAudio = audioUnit.ownCost < lzUnit.ownCost;
      if (audioUnit.ownCost < lzUnit.ownCost - lzUnit.ownCost / 8)
        lzRest = kLzRestUnits;
    }
    if (useAudio) {
      lz = savedLz;
      audio = audioCopy;
      finder.insertUpTo(end);
      stats.audioBytes += end - pos;
      addUnit(audioUnit);
    } else {
      if (lzUnit.lengths.empty())
        evaluate(lzUnit);
      dry = lzUnit.ownCost >= uint64_t(end - pos) * 8 * 985 / 1000;
      addUnit(lzUnit);
    }
    pos = end;
  }

  void addUnit(Block &unit) {
    planner.add(unit);
    if (const std::vector<uint8_t> *lengths = planner.lzLengths())
      prices.set(*lengths);
  }

  // ---- entry flow --------------------------------------------------------

  void guessAudio() {
    guessPending = false;
    audioChannels = guess_audio_channels(finder.data() + pos, finder.end() - pos);
  }

  void beginEntry(bool continuation, int audioMode) {
    if (!continuation || !stateExists) {
      finder.clear();
      pos = 0;
      lz = LzState{};
      audio = AudioState{};
      emitter.reset();
      prices.setDefault();
    }
    emitter.beginEntry(!continuation || !stateExists);
    planner.beginEntry();
    audioChoice = audioMode;
    audioChannels = audioMode > 0 ? unsigned(std::min(audioMode, 4)) : 0;
    guessPending = audioMode == kAudioAuto;
    lzRest = 0;
    dry = false;
    stats = EntryStats{};
  }

  void write(const uint8_t *data, size_t size) {
    while (size > 0) {
      size_t shift = 0;
      size_t n = finder.append(data, std::min<size_t>(size, kUnit), pos, &shift);
      pos -= shift;
      data += n;
      size -= n;
      if (guessPending && finder.end() - pos >= 65536)
        guessAudio();
      while (!guessPending && finder.end() - pos >= kUnit + kLookahead)
        processUnit(pos + kUnit);
    }
  }

  void finishEntry() {
    if (guessPending)
      guessAudio();
    while (pos < finder.end())
      processUnit(std::min(pos + kUnit, finder.end()));
    planner.flush();
    emitter.finishEntry();
    stateExists = true;
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
  impl_->stats.tableReads = impl_->emitter.tablesWritten();
  return impl_->stats;
}

} // namespace rarpack
