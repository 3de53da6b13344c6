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
#include "rarpack/bit_writer.h"
#include "rarpack/huffman.h"
#include "rarpack/match_finder.h"

namespace rarpack {

namespace {

// Slot look-ups: length slot of a coded length 0..255, short-distance slot of
// distance-1 in 0..255, distance slot of distance-1 below 65536.
struct SlotTables {
  uint8_t length[256];
  uint8_t shortDist[256];
  uint8_t dist[65536];
  SlotTables() {
    for (unsigned v = 0, s = 0; v < 256; v++) {
      while (s + 1 < std::size(kLengthBase) && kLengthBase[s + 1] <= v)
        s++;
      length[v] = uint8_t(s);
    }
    for (unsigned v = 0, s = 0; v < 256; v++) {
      while (s + 1 < std::size(kShortDistBase) && kShortDistBase[s + 1] <= v)
        s++;
      shortDist[v] = uint8_t(s);
    }
    for (unsigned v = 0, s = 0; v < 65536; v++) {
      while (s + 1 < std::size(kDistBase) && kDistBase[s + 1] <= v)
        s++;
      dist[v] = uint8_t(s);
    }
  }
};
const SlotTables kSlots;

unsigned dist_slot(uint32_t distance) {
  uint32_t v = distance - 1;
  if (v < 65536)
    return kSlots.dist[v];
  if (v < 131072)
    return 32 + (v - 65536) / 32768;
  return 34 + (v - 131072) / 65536;
}

// Extra length the decoder adds for far distances: long matches.
uint32_t long_bonus(uint32_t distance) {
  return (distance >= 0x2000) + (distance >= 0x40000);
}
// ... and old-distance matches.
uint32_t repeat_bonus(uint32_t distance) {
  return (distance >= 0x101) + long_bonus(distance);
}

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
// LZ counts are laid out main, distance, repeat-length (374); audio counts one
// run of 257 per channel.
struct Block {
  bool audio = false;
  unsigned channels = 0;
  std::vector<Command> commands;
  std::vector<AudioItem> items;
  std::vector<uint32_t> freq;
  uint64_t extraBits = 0;       // bits outside the Huffman codes
  std::vector<uint8_t> lengths; // own code lengths for freq
  uint64_t ownCost = 0;         // bits with its own tables, header included

  bool empty() const { return commands.empty() && items.empty(); }
  size_t size() const { return commands.size() + items.size(); }
  void start(bool isAudio, unsigned channelCount) {
    audio = isAudio;
    channels = channelCount;
    commands.clear();
    items.clear();
    freq.assign(isAudio ? kAudioSymbols * channelCount : kLzLengths, 0);
    extraBits = 0;
    lengths.clear();
    ownCost = 0;
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

constexpr size_t kUnit = 32 * 1024;          // input bytes per coding decision
constexpr size_t kLookahead = kMaxMatch + 2; // bytes kept unparsed until the entry's end is known
constexpr size_t kMaxBlock = 1 << 18;        // items per block at most
constexpr unsigned kLzRestUnits = 7;         // units without an LZ trial after audio mode won clearly
constexpr size_t kOptimalStretch = 4096;     // positions weighed together by the optimal parser

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

// The code-length code's symbols for one table: 0..15 a length as the
// difference to the previous table's, 16 repeat the last length 3..6 times,
// 17 3..10 zeros, 18 11..138 zeros.
struct LengthPlan {
  std::vector<uint8_t> symbols;
  std::vector<uint8_t> extra; // extra-bit value per symbol (counts of 16/17/18)
};

void plan_lengths(const uint8_t *lengths, const uint8_t *previous, unsigned count, LengthPlan &plan) {
  plan.symbols.clear();
  plan.extra.clear();
  unsigned i = 0;
  while (i < count) {
    unsigned run = 1;
    while (i + run < count && lengths[i + run] == lengths[i])
      run++;
    if (lengths[i] == 0 && run >= 3) {
      unsigned n = run >= 11 ? std::min(run, 138u) : std::min(run, 10u);
      plan.symbols.push_back(n >= 11 ? 18 : 17);
      plan.extra.push_back(uint8_t(n >= 11 ? n - 11 : n - 3));
      i += n;
      continue;
    }
    if (i > 0 && lengths[i] == lengths[i - 1] && run >= 3) {
      // Worth it only where the differences to the previous table are not all 0 already.
      bool unchanged = true;
      for (unsigned k = 0; k < std::min(run, 6u); k++)
        unchanged = unchanged && lengths[i + k] == previous[i + k];
      if (!unchanged) {
        unsigned n = std::min(run, 6u);
        plan.symbols.push_back(16);
        plan.extra.push_back(uint8_t(n - 3));
        i += n;
        continue;
      }
    }
    plan.symbols.push_back(uint8_t((lengths[i] - previous[i]) & 15));
    plan.extra.push_back(0);
    i++;
  }
}

unsigned extra_bits_of(uint8_t lengthSymbol) {
  return lengthSymbol == 16 ? 2 : lengthSymbol == 17 ? 3 : lengthSymbol == 18 ? 7 : 0;
}

// A table header as the decoder reads it, worked out in full so that its
// size is exact; write() puts it into a bit stream.
struct TableHeader {
  bool audio = false;
  unsigned channels = 1;
  bool keep = false; // lengths coded as differences to the previous table
  LengthPlan plan;
  std::vector<uint8_t> codeLengths; // 19 lengths of the code-length code
  std::vector<uint16_t> codes;
  uint64_t bits = 0;

  void build(bool isAudio, unsigned channelCount, const uint8_t *lengths, unsigned count, const uint8_t *previous,
             bool keepPrevious) {
    static const uint8_t kZeros[kTableLengths] = {};
    audio = isAudio;
    channels = channelCount;
    keep = keepPrevious;
    plan_lengths(lengths, keep ? previous : kZeros, count, plan);
    std::vector<uint32_t> freq(kLevelSymbols, 0);
    for (uint8_t s : plan.symbols)
      freq[s]++;
    codeLengths = huffman_lengths(freq, kMaxCodeLength);
    codes = canonical_codes(codeLengths);
    bits = 2 + (audio ? 2 : 0) + 4 * kLevelSymbols;
    for (uint8_t s : plan.symbols)
      bits += codeLengths[s] + extra_bits_of(s);
  }

  void write(BitWriter &out) const {
    out.put(audio ? 1 : 0, 1);
    out.put(keep ? 1 : 0, 1);
    if (audio)
      out.put(channels - 1, 2);
    for (uint8_t l : codeLengths)
      out.put(l, 4);
    for (size_t k = 0; k < plan.symbols.size(); k++) {
      uint8_t s = plan.symbols[k];
      out.put(codes[s], codeLengths[s]);
      if (unsigned n = extra_bits_of(s))
        out.put(plan.extra[k], n);
    }
  }
};

uint64_t header_bits(bool audio, unsigned channels, const std::vector<uint8_t> &lengths) {
  static const uint8_t kZeros[kTableLengths] = {};
  TableHeader h;
  h.build(audio, channels, lengths.data(), unsigned(lengths.size()), kZeros, false);
  return h.bits;
}

void evaluate(Block &b) {
  b.lengths = build_lengths(b.audio, b.channels, b.freq);
  b.ownCost = coded_bits(b.freq, b.lengths.data()) + header_bits(b.audio, b.channels, b.lengths) + b.extraBits;
}

// Bits per symbol as the parser prices them.
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
  explicit Impl(int level) : levelConfig(level_config(level)), config(levelConfig) {
    prices.setDefault();
    // Room for the largest block and unit from the start: growing them later
    // would copy them and fault in fresh pages again and again.
    for (Block *b : {&block, &units[0], &units[1]}) {
      b->commands.reserve(kMaxBlock + kUnit + kMaxMatch);
      b->items.reserve(kMaxBlock + kUnit + kMaxMatch);
    }
  }

  const LevelConfig levelConfig; // what the level asks for
  LevelConfig config;            // what the unit being parsed uses: the level's, or a quick look where data is dry
  bool dry = false;              // the last LZ unit hardly shrank (compressed media): search little
  MatchFinder finder;
  BitWriter out;
  size_t pos = 0; // next input position to code (finder buffer index)

  // Encoder's picture of the decoder, as it will be when the bits written so
  // far are decoded.
  LzState lz;                           // old distances and last match, as of the parse position
  AudioState audio;                     // audio predictor, as of the parse position
  unsigned emitChannel = 0;             // decoder's current audio channel, as of the bits written
  bool haveTables = false;              // the decoder holds tables
  bool tablesAudio = false;             // ... in audio mode
  unsigned tablesChannels = 0;          // ... with this many channels
  std::vector<uint8_t> lengths;         // ... their code lengths
  std::vector<uint16_t> codes;          // ... and canonical codes
  uint8_t previous[kTableLengths] = {}; // the decoder's previous lengths
  bool previousAudio = false;           // mode and count of the table they came from
  unsigned previousCount = 0;           // 0: all zero (after a reset)

  bool stateExists = false; // an entry was encoded (a solid continuation may follow)
  bool freshStream = false; // the entry started afresh: its first tables need no new-tables symbol
  int audioChoice = kAudioOff;
  unsigned audioChannels = 0; // channels to try in audio mode (0: none)
  bool guessPending = false;
  unsigned lzRest = 0; // units to code in audio mode before trying LZ again

  Block block;    // the block being gathered
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
        unsigned slot = kSlots.length[repLength];
        uint32_t p = prices.main[kOldDistanceSymbol + k] + prices.rep[slot] + kLengthBits[slot];
        if (p < bestPrice) {
          bestPrice = p;
          best.sym = uint16_t(kOldDistanceSymbol + k);
        }
        break;
      }
    }
    if (length == 2 && distance <= 256) {
      unsigned slot = kSlots.shortDist[distance - 1];
      uint32_t p = prices.main[kShortMatchSymbol + slot] + kShortDistBits[slot];
      if (p < bestPrice) {
        bestPrice = p;
        best.sym = uint16_t(kShortMatchSymbol + slot);
      }
    }
    uint32_t longLength = length - 3 - long_bonus(distance);
    if (length >= min_long_length(distance) && longLength < 256) {
      unsigned slot = kSlots.length[longLength];
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

  void addLiteral(Block &b, uint8_t byte) {
    b.commands.push_back({byte, 0, 0});
    b.freq[byte]++;
  }

  void addMatch(Block &b, uint32_t length, uint32_t distance) {
    uint32_t price;
    Command c = formFor(lz, length, distance, &price);
    b.commands.push_back(c);
    b.freq[c.sym]++;
    if (c.sym >= kOldDistanceSymbol && c.sym < kShortMatchSymbol) {
      unsigned slot = kSlots.length[length - 2 - repeat_bonus(distance)];
      b.freq[kMainSymbols + kDistSymbols + slot]++;
      b.extraBits += kLengthBits[slot];
    } else if (c.sym >= kShortMatchSymbol && c.sym < kNewTableSymbol) {
      b.extraBits += kShortDistBits[c.sym - kShortMatchSymbol];
    } else if (c.sym >= kLongMatchSymbol) {
      unsigned d = dist_slot(distance);
      b.freq[kMainSymbols + d]++;
      b.extraBits += kLengthBits[c.sym - kLongMatchSymbol] + kDistBits[d];
    }
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
            const unsigned slot = kSlots.length[l - 2 - bonus];
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
            const unsigned slot = kSlots.shortDist[d - 1];
            relax(i, i + 2, here.price + prices.main[kShortMatchSymbol + slot] + kShortDistBits[slot], 2, d);
            covered = 2;
            continue;
          }
          const unsigned dslot = dist_slot(d);
          const uint32_t distPrice = prices.dist[dslot] + kDistBits[dslot];
          const uint32_t bonus = long_bonus(d);
          for (uint32_t l = std::max(covered + 1, min_long_length(d)); l <= len; l++) {
            const unsigned slot = kSlots.length[l - 3 - bonus];
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
      uint8_t delta = state.encode(data[p]);
      unit.items.push_back({uint8_t(ch), delta});
      unit.freq[ch * kAudioSymbols + delta]++;
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
    if (unit.lengths.empty())
      evaluate(unit);
    if (!block.empty() &&
        (block.audio != unit.audio || block.channels != unit.channels || block.size() + unit.size() > kMaxBlock))
      flushBlock();
    if (block.empty()) {
      std::swap(block, unit);
    } else {
      Block merged;
      merged.audio = block.audio;
      merged.channels = block.channels;
      merged.freq = block.freq;
      for (size_t s = 0; s < merged.freq.size(); s++)
        merged.freq[s] += unit.freq[s];
      merged.extraBits = block.extraBits + unit.extraBits;
      evaluate(merged);
      if (merged.ownCost <= block.ownCost + unit.ownCost) {
        block.commands.insert(block.commands.end(), unit.commands.begin(), unit.commands.end());
        block.items.insert(block.items.end(), unit.items.begin(), unit.items.end());
        block.freq = std::move(merged.freq);
        block.extraBits = merged.extraBits;
        block.lengths = std::move(merged.lengths);
        block.ownCost = merged.ownCost;
      } else {
        flushBlock();
        std::swap(block, unit);
      }
    }
    if (!block.audio)
      prices.set(block.lengths);
  }

  // ---- bit output --------------------------------------------------------

  void putSymbol(unsigned index) { out.put(codes[index], lengths[index]); }

  void writeTables(bool isAudio, unsigned channels, const std::vector<uint8_t> &newLengths) {
    const unsigned count = unsigned(newLengths.size());
    TableHeader header;
    header.build(isAudio, channels, newLengths.data(), count, previous, false);
    if (previousCount == count && previousAudio == isAudio) {
      TableHeader keep;
      keep.build(isAudio, channels, newLengths.data(), count, previous, true);
      if (keep.bits < header.bits)
        header = std::move(keep);
    }
    header.write(out);
    memcpy(previous, newLengths.data(), count);
    previousAudio = isAudio;
    previousCount = count;
    haveTables = true;
    tablesAudio = isAudio;
    tablesChannels = channels;
    lengths = newLengths;
    codes.clear();
    // Canonical codes per table of the layout.
    auto addCodes = [&](size_t from, size_t n) {
      std::vector<uint8_t> part(lengths.begin() + long(from), lengths.begin() + long(from + n));
      std::vector<uint16_t> c = canonical_codes(part);
      codes.insert(codes.end(), c.begin(), c.end());
    };
    if (isAudio) {
      for (unsigned c = 0; c < channels; c++)
        addCodes(c * kAudioSymbols, kAudioSymbols);
      if (emitChannel >= channels)
        emitChannel = 0;
    } else {
      addCodes(0, kMainSymbols);
      addCodes(kMainSymbols, kDistSymbols);
      addCodes(kMainSymbols + kDistSymbols, kRepeatSymbols);
    }
    stats.tableReads++;
  }

  // The new-tables symbol under the tables in force.
  void putNewTablesSymbol() {
    if (tablesAudio)
      putSymbol(emitChannel * kAudioSymbols + kAudioNewTableSymbol);
    else
      putSymbol(kNewTableSymbol);
  }

  void flushBlock() {
    if (block.empty())
      return;
    if (block.lengths.empty())
      evaluate(block);
    bool reuse = false;
    if (haveTables && tablesAudio == block.audio && (!block.audio || tablesChannels == block.channels)) {
      uint64_t old = coded_bits(block.freq, lengths.data());
      if (old != UINT64_MAX) {
        uint32_t leave =
            tablesAudio ? lengths[emitChannel * kAudioSymbols + kAudioNewTableSymbol] : lengths[kNewTableSymbol];
        uint64_t fresh = coded_bits(block.freq, block.lengths.data()) +
                         header_bits(block.audio, block.channels, block.lengths) + leave;
        reuse = old <= fresh;
      }
    }
    if (!reuse) {
      if (!freshStream)
        putNewTablesSymbol();
      freshStream = false;
      writeTables(block.audio, block.channels, block.lengths);
    }
    if (block.audio) {
      for (const AudioItem &item : block.items) {
        putSymbol(item.channel * kAudioSymbols + item.delta);
        emitChannel = item.channel + 1u >= tablesChannels ? 0 : item.channel + 1u;
      }
    } else {
      for (const Command &c : block.commands)
        putCommand(c);
    }
    block.start(false, 0);
  }

  void putCommand(const Command &c) {
    putSymbol(c.sym);
    if (c.sym < kRepeatLastSymbol || c.sym == kRepeatLastSymbol)
      return;
    if (c.sym < kShortMatchSymbol) {
      uint32_t v = c.length - 2 - repeat_bonus(c.distance);
      unsigned slot = kSlots.length[v];
      putSymbol(kMainSymbols + kDistSymbols + slot);
      out.put(v - kLengthBase[slot], kLengthBits[slot]);
    } else if (c.sym < kNewTableSymbol) {
      unsigned slot = c.sym - kShortMatchSymbol;
      out.put(c.distance - 1 - kShortDistBase[slot], kShortDistBits[slot]);
    } else {
      unsigned slot = c.sym - kLongMatchSymbol;
      uint32_t v = c.length - 3 - long_bonus(c.distance);
      out.put(v - kLengthBase[slot], kLengthBits[slot]);
      unsigned d = dist_slot(c.distance);
      putSymbol(kMainSymbols + d);
      out.put(c.distance - 1 - kDistBase[d], kDistBits[d]);
    }
  }

  // After an entry's last symbol the decoder may decode one more symbol to
  // see whether new tables follow; give it a harmless one. Then zero bytes,
  // so that a decoder peeking ahead for its last codes (unar does in audio
  // mode) finds input there: 32 bits after the last symbol in all.
  void putTerminator() {
    const uint64_t lastSymbolEnd = out.bitCount();
    size_t from = tablesAudio ? emitChannel * kAudioSymbols : 0;
    size_t count = tablesAudio ? kAudioSymbols : kMainSymbols;
    size_t avoid = tablesAudio ? from + kAudioNewTableSymbol : kNewTableSymbol;
    size_t pick = SIZE_MAX;
    for (size_t s = from; s < from + count; s++)
      if (s != avoid && lengths[s] && (pick == SIZE_MAX || lengths[s] < lengths[pick]))
        pick = s;
    if (pick != SIZE_MAX)
      putSymbol(unsigned(pick));
    out.alignToByte();
    while (out.bitCount() < lastSymbolEnd + 32)
      out.put(0, 8);
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
      emitChannel = 0;
      haveTables = false;
      memset(previous, 0, sizeof previous);
      previousCount = 0;
      prices.setDefault();
      freshStream = true;
    } else {
      freshStream = false;
    }
    block.start(false, 0);
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
    flushBlock();
    putTerminator();
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
  return impl_->out.bytes();
}
const Rar20Encoder::EntryStats &Rar20Encoder::entryStats() const {
  return impl_->stats;
}

} // namespace rarpack
