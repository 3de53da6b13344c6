// SPDX-License-Identifier: MIT
// The LZ parse of a unit of input: which literals and matches code it, and
// in which of the format's forms, priced by the code lengths of the block the
// unit will probably join. Lower levels decide match by match with a byte of
// look-ahead; higher ones take the cheapest path through a stretch of input.
#pragma once
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rar/rar_format.h"
#include "rarpack/coded_block.h"
#include "rarpack/match_finder.h"

namespace rarpack {

// The decoder's old-distance ring and last match.
struct LzState {
  uint32_t ring[4] = {}; // last four distances, ring[count & 3] is overwritten next
  uint32_t count = 0;    // matches so far (only its low two bits matter)
  uint32_t lastDistance = 0;
  uint32_t lastLength = 0;

  uint32_t Old(unsigned k) const { return ring[(count - 1 - k) & 3]; } // k = 0: newest
  void Push(uint32_t length, uint32_t distance) {
    lastDistance = distance;
    ring[count++ & 3] = distance;
    lastLength = length;
  }
};

// Bits per symbol as the parser prices them.
struct Prices {
  uint32_t main[kMainSymbols];
  uint32_t dist[kDistSymbols];
  uint32_t rep[kRepeatSymbols];

  // Guesses for a stream without tables yet.
  void SetDefault();
  // From an LZ table set's code lengths.
  void Set(const std::vector<uint8_t> &lengths);
};

class LzParser {
public:
  // Searches `finder`'s buffer with the effort `level` (1 to 5) asks for.
  LzParser(int level, MatchFinder &finder);

  // A fresh stream: no old distances, and prices for no tables yet.
  void Reset();
  // A new entry searches with the level's full effort.
  void BeginEntry() { dry = false; }
  // Where the last unit hardly shrank (to 98.5% or more), the next one is
  // searched only now and then: compressed media have few matches, and
  // looking for them at every position costs a cache miss per chain link in
  // the 1 MiB window. One unit that shrinks brings the level's search back.
  void SetDry(bool isDry) { dry = isDry; }
  // Prices by the LZ tables the next units will probably be coded with.
  void SetPrices(const std::vector<uint8_t> &lengths) { prices.Set(lengths); }

  // The decoder's old distances and last match as of the parse position;
  // put back where a unit parsed is then coded otherwise.
  const LzState &State() const { return lz; }
  void SetState(const LzState &state) { lz = state; }

  // Parses from `from` to at least `to` into `unit` and returns where it
  // stopped (a match may run past `to`). Positions up to there are entered
  // into the hash chains.
  size_t Parse(size_t from, size_t to, Block &unit);

private:
  struct Config {
    unsigned depth;      // hash-chain links followed per search
    uint32_t goodLength; // a match this long cuts the rest of the search to a quarter
    uint32_t niceLength; // a match this long is taken at once
    uint32_t lazyLimit;  // look one byte ahead unless the match is this long (0: never)
    unsigned missShift;  // after 2^missShift positions without a match, search every 2nd, and so on
    bool optimal;        // choose matches by the cheapest path through a stretch of input, not one by one
  };
  static Config LevelConfig(int level);
  static Config DryConfig(const Config &level);

  // A match chosen at one position, by bits saved against literals.
  struct Choice {
    uint32_t length = 0;
    uint32_t distance = 0;
    int32_t gain = INT32_MIN;
  };
  Command CheapestForm(uint32_t length, uint32_t distance, uint32_t *price) const;
  Choice BestAt(size_t p, uint32_t maxLength);
  void AddLiteral(Block &unit, uint8_t byte) { unit.Add({byte, 0, 0}); }
  void AddMatch(Block &unit, uint32_t length, uint32_t distance);
  // Where nothing matches for a while, only every step-th position is searched.
  unsigned SearchStep(unsigned misses) const { return 1 + (misses >> config.missShift); }
  void CountMiss(unsigned &misses) const { misses = std::min(misses + 1, 31u << config.missShift); }

  size_t ParseGreedy(size_t from, size_t to, Block &unit);

  // The optimal parse, one stretch at a time. A node is one position of the
  // stretch: the cheapest known way to reach it, and the decoder's old
  // distances and last length on that way.
  struct Node {
    uint32_t price;  // bits from the stretch's start
    uint32_t from;   // position the last step started at
    uint32_t length; // 0: the step was a literal
    uint32_t distance;
    uint32_t reps[4]; // old distances, newest first
    uint32_t lastLength;
  };
  struct Stretch {
    size_t start;      // input position of node 0
    size_t length;     // positions weighed
    size_t reach;      // the furthest node a step may end on
    size_t stop;       // where the path taken ends
    Match longMatch;   // a nice match found at `stop`, taken after the path (length 0: none)
    size_t searchFrom; // inside a good match found earlier, positions are not searched
  };
  size_t ParseOptimal(size_t from, size_t to, Block &unit);
  Stretch StartStretch(size_t from, size_t to);
  void WeighStretch(Stretch &s, unsigned &misses);
  void RelaxLiteral(size_t i, const Node &here, uint8_t byte);
  bool RelaxOldDistances(size_t i, const Node &here, size_t at, uint32_t maxLength, uint32_t *longest);
  void RelaxMatches(size_t i, const Node &here, size_t count);
  void Relax(size_t from, size_t to, uint32_t price, uint32_t length, uint32_t distance);
  void ReplayPath(const Stretch &s, Block &unit);
  size_t TakeStretchEnd(const Stretch &s, Block &unit, unsigned &misses);

  const Config level; // what the level asks for
  Config config;      // what the unit being parsed uses: the level's, or a quick look where data is dry
  bool dry = false;
  MatchFinder &finder;
  LzState lz;
  Prices prices;
  Match matches[kMaxMatch + 2];
  std::vector<Node> nodes;    // the stretch's positions, for the optimal parse
  std::vector<uint32_t> path; // the cheapest path through them, backwards
};

} // namespace rarpack
