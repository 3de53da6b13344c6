// SPDX-License-Identifier: MIT
#include "rarpack/lz_parser.h"

#include "rarpack/lz_codes.h"

namespace rarpack {

namespace {

constexpr size_t kOptimalStretch = 4096; // positions weighed together by the optimal parser

} // namespace

void Prices::SetDefault() {
  for (unsigned s = 0; s < kMainSymbols; s++)
    main[s] = s < 256 ? 8 : s < kShortMatchSymbol ? 7 : s < kNewTableSymbol ? 8 : s == kNewTableSymbol ? 15 : 7;
  for (uint32_t &p : dist)
    p = 5;
  for (uint32_t &p : rep)
    p = 4;
}

void Prices::Set(const std::vector<uint8_t> &lengths) {
  auto price = [](uint8_t l) { return l ? uint32_t(l) : 13u; };
  for (unsigned s = 0; s < kMainSymbols; s++)
    main[s] = price(lengths[s]);
  for (unsigned s = 0; s < kDistSymbols; s++)
    dist[s] = price(lengths[kMainSymbols + s]);
  for (unsigned s = 0; s < kRepeatSymbols; s++)
    rep[s] = price(lengths[kMainSymbols + kDistSymbols + s]);
}

LzParser::Config LzParser::LevelConfig(int level) {
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

LzParser::Config LzParser::DryConfig(const Config &level) {
  Config c = level;
  c.depth = std::min(c.depth, 16u);
  c.missShift = std::min(c.missShift, 3u);
  c.lazyLimit = 0;
  c.optimal = false;
  return c;
}

LzParser::LzParser(int levelNumber, MatchFinder &matchFinder)
    : level(LevelConfig(levelNumber)), config(level), finder(matchFinder) {
  prices.SetDefault();
}

void LzParser::Reset() {
  lz = LzState{};
  prices.SetDefault();
}

size_t LzParser::Parse(size_t from, size_t to, Block &unit) {
  config = dry ? DryConfig(level) : level;
  return config.optimal ? ParseOptimal(from, to, unit) : ParseGreedy(from, to, unit);
}

// ---- choices ------------------------------------------------------------

// The cheapest code form for a match under the current old distances, with
// its price; sym 0 if none fits.
Command LzParser::CheapestForm(uint32_t length, uint32_t distance, uint32_t *price) const {
  Command best{0, uint16_t(length), distance};
  uint32_t bestPrice = UINT32_MAX;
  if (length == lz.lastLength && distance == lz.lastDistance) {
    best.sym = kRepeatLastSymbol;
    bestPrice = prices.main[kRepeatLastSymbol];
  }
  uint32_t repLength = length - 2 - RepeatBonus(distance);
  if (length >= MinRepeatLength(distance) && repLength < 256) {
    for (unsigned k = 0; k < 4; k++) {
      if (lz.Old(k) != distance)
        continue;
      unsigned slot = LengthSlot(repLength);
      uint32_t p = prices.main[kOldDistanceSymbol + k] + prices.rep[slot] + kLengthBits[slot];
      if (p < bestPrice) {
        bestPrice = p;
        best.sym = uint16_t(kOldDistanceSymbol + k);
      }
      break;
    }
  }
  if (length == 2 && distance <= 256) {
    unsigned slot = ShortDistSlot(distance);
    uint32_t p = prices.main[kShortMatchSymbol + slot] + kShortDistBits[slot];
    if (p < bestPrice) {
      bestPrice = p;
      best.sym = uint16_t(kShortMatchSymbol + slot);
    }
  }
  uint32_t longLength = length - 3 - LongBonus(distance);
  if (length >= MinLongLength(distance) && longLength < 256) {
    unsigned slot = LengthSlot(longLength);
    unsigned d = DistSlot(distance);
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
LzParser::Choice LzParser::BestAt(size_t p, uint32_t maxLength) {
  Choice choice;
  if (maxLength < 2)
    return choice;
  const uint8_t *data = finder.Data() + p;
  int32_t literalSum[kMaxMatch + 1];
  uint32_t summed = 0;
  literalSum[0] = 0;
  auto consider = [&](uint32_t length, uint32_t distance) {
    uint32_t price;
    CheapestForm(length, distance, &price);
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
      finder.LengthAt(p, lz.lastDistance, lz.lastLength) == lz.lastLength)
    consider(lz.lastLength, lz.lastDistance);
  for (unsigned k = 0; k < 4; k++) {
    uint32_t d = lz.Old(k);
    if (d == 0)
      continue;
    uint32_t len = finder.LengthAt(p, d, maxLength);
    if (len >= MinRepeatLength(d))
      consider(len, d);
  }
  size_t n = finder.Find(p, maxLength, config.depth, config.goodLength, config.niceLength, matches);
  for (size_t i = 0; i < n; i++)
    consider(matches[i].length, matches[i].distance);
  if (choice.gain <= 0)
    choice = Choice{};
  return choice;
}

void LzParser::AddMatch(Block &unit, uint32_t length, uint32_t distance) {
  uint32_t price;
  unit.Add(CheapestForm(length, distance, &price));
  lz.Push(length, distance);
}

// ---- match by match -------------------------------------------------------

// Where nothing matches for a while (compressed or random data), only every
// few positions are searched, more rarely the longer the drought; the
// positions in between are still entered into the hash chains.
size_t LzParser::ParseGreedy(size_t from, size_t to, Block &unit) {
  size_t p = from;
  const size_t end = finder.End();
  Choice next;
  bool haveNext = false;
  unsigned misses = 0;
  while (p < to) {
    uint32_t maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - p));
    const unsigned step = SearchStep(misses);
    if (step > 1 && !haveNext) {
      // Skipped positions still try the two newest old distances: cheap
      // (their bytes are in the cache), and where data has a rhythm, as
      // compressed audio frames do, that is where its matches are.
      for (size_t stop = std::min(p + step - 1, to); p < stop; p++) {
        if (finder.LengthAt(p, lz.Old(0), 4) == 4 || finder.LengthAt(p, lz.Old(1), 4) == 4)
          break;
        AddLiteral(unit, finder.Data()[p]);
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
      finder.InsertUpTo(p);
      here = BestAt(p, maxLength);
    }
    if (here.length >= 2 && here.length < config.lazyLimit && p + 2 < end) {
      finder.InsertUpTo(p + 1);
      next = BestAt(p + 1, std::min(kMaxMatch, maxLength - 1));
      haveNext = true;
      if (next.gain > here.gain)
        here.length = 0;
    }
    if (here.length >= 2) {
      AddMatch(unit, here.length, here.distance);
      p += here.length;
      haveNext = false;
      misses = 0;
    } else {
      AddLiteral(unit, finder.Data()[p]);
      p++;
      CountMiss(misses);
    }
  }
  finder.InsertUpTo(p);
  return p;
}

// ---- cheapest path --------------------------------------------------------

// Weighs every literal and match in a stretch of up to kOptimalStretch
// positions by the current prices and takes the cheapest path; a match of
// niceLength or more ends the stretch and is taken as it is.
size_t LzParser::ParseOptimal(size_t from, size_t to, Block &unit) {
  size_t p = from;
  unsigned misses = 0;
  nodes.resize(kOptimalStretch + kMaxMatch + 1);
  while (p < to) {
    Stretch s = StartStretch(p, to);
    WeighStretch(s, misses);
    ReplayPath(s, unit);
    p = TakeStretchEnd(s, unit, misses);
  }
  finder.InsertUpTo(p);
  return p;
}

LzParser::Stretch LzParser::StartStretch(size_t from, size_t to) {
  Stretch s;
  s.start = from;
  s.length = std::min(kOptimalStretch, to - from);
  s.reach = std::min(s.length + kMaxMatch, finder.End() - from);
  s.stop = s.length;
  s.longMatch = {0, 0};
  s.searchFrom = 0;
  for (size_t i = 0; i <= s.reach; i++)
    nodes[i].price = UINT32_MAX;
  Node &start = nodes[0];
  start.price = 0;
  for (unsigned k = 0; k < 4; k++)
    start.reps[k] = lz.Old(k);
  start.lastLength = lz.lastLength;
  return s;
}

// Steps from every position of the stretch, in order, to every position a
// literal or match reaches, keeping the cheapest way to each. Ends the
// stretch early at a nice match.
void LzParser::WeighStretch(Stretch &s, unsigned &misses) {
  const uint8_t *data = finder.Data();
  const size_t end = finder.End();
  for (size_t i = 0; i < s.length; i++) {
    const size_t at = s.start + i;
    const uint32_t maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - at));
    const Node here = nodes[i];
    if (i + 1 <= s.reach)
      RelaxLiteral(i, here, data[at]);
    const unsigned step = SearchStep(misses);
    if (maxLength < 2 || (step > 1 && i % step != 0)) {
      CountMiss(misses);
      continue;
    }
    finder.InsertUpTo(at);
    uint32_t longestRep = 0;
    const bool foundRep = RelaxOldDistances(i, here, at, maxLength, &longestRep);
    if (longestRep >= config.niceLength) {
      s.stop = i; // the next stretch starts with this match
      s.longMatch = {0, 0};
      return;
    }
    if (i < s.searchFrom) {
      misses = 0;
      continue;
    }
    const size_t n = finder.Find(at, maxLength, config.depth, config.goodLength, config.niceLength, matches);
    if (n > 0 && matches[n - 1].length >= config.goodLength)
      s.searchFrom = i + matches[n - 1].length - 1;
    RelaxMatches(i, here, n);
    if (foundRep || n > 0)
      misses = 0;
    else
      CountMiss(misses);
    if (n > 0 && matches[n - 1].length >= config.niceLength) {
      s.stop = i;
      s.longMatch = matches[n - 1];
      return;
    }
  }
}

void LzParser::RelaxLiteral(size_t i, const Node &here, uint8_t byte) {
  const uint32_t price = here.price + prices.main[byte];
  Node &n = nodes[i + 1];
  if (price < n.price) {
    n = here;
    n.price = price;
    n.from = uint32_t(i);
    n.length = 0;
  }
}

// Steps by the old distances, and the previous match repeated. Returns
// whether one is long enough to code; *longest is the longest of them.
bool LzParser::RelaxOldDistances(size_t i, const Node &here, size_t at, uint32_t maxLength, uint32_t *longest) {
  bool found = false;
  for (unsigned k = 0; k < 4; k++) {
    const uint32_t d = here.reps[k];
    if (d == 0 || (k > 0 && d == here.reps[k - 1]))
      continue;
    const uint32_t len = finder.LengthAt(at, d, maxLength);
    if (k == 0 && here.lastLength >= 2 && here.lastLength <= len)
      Relax(i, i + here.lastLength, here.price + prices.main[kRepeatLastSymbol], here.lastLength, d);
    const uint32_t bonus = RepeatBonus(d);
    for (uint32_t l = MinRepeatLength(d); l <= len && l - 2 - bonus < 256; l++) {
      const unsigned slot = LengthSlot(l - 2 - bonus);
      Relax(i, i + l, here.price + prices.main[kOldDistanceSymbol + k] + prices.rep[slot] + kLengthBits[slot], l, d);
    }
    if (len >= MinRepeatLength(d))
      found = true;
    *longest = std::max(*longest, len);
  }
  return found;
}

// Steps by the `count` matches found, each length once, at the nearest
// distance that reaches it.
void LzParser::RelaxMatches(size_t i, const Node &here, size_t count) {
  uint32_t covered = 1;
  for (size_t m = 0; m < count; m++) {
    const uint32_t d = matches[m].distance;
    const uint32_t len = matches[m].length;
    if (len == 2) {
      const unsigned slot = ShortDistSlot(d);
      Relax(i, i + 2, here.price + prices.main[kShortMatchSymbol + slot] + kShortDistBits[slot], 2, d);
      covered = 2;
      continue;
    }
    const unsigned dslot = DistSlot(d);
    const uint32_t distPrice = prices.dist[dslot] + kDistBits[dslot];
    const uint32_t bonus = LongBonus(d);
    for (uint32_t l = std::max(covered + 1, MinLongLength(d)); l <= len; l++) {
      const unsigned slot = LengthSlot(l - 3 - bonus);
      Relax(i, i + l, here.price + prices.main[kLongMatchSymbol + slot] + kLengthBits[slot] + distPrice, l, d);
    }
    covered = len;
  }
}

void LzParser::Relax(size_t from, size_t to, uint32_t price, uint32_t length, uint32_t distance) {
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

// Walks back from the path's end and codes its steps forwards.
void LzParser::ReplayPath(const Stretch &s, Block &unit) {
  path.clear();
  for (size_t i = s.stop; i > 0; i = nodes[i].from)
    path.push_back(uint32_t(i));
  for (size_t k = path.size(); k-- > 0;) {
    const Node &n = nodes[path[k]];
    if (n.length == 0)
      AddLiteral(unit, finder.Data()[s.start + n.from]);
    else
      AddMatch(unit, n.length, n.distance);
  }
}

// Codes what ended the stretch early, if anything, and returns where the
// next stretch starts.
size_t LzParser::TakeStretchEnd(const Stretch &s, Block &unit, unsigned &misses) {
  size_t p = s.start + s.stop;
  if (s.longMatch.length > 0) {
    AddMatch(unit, s.longMatch.length, s.longMatch.distance);
    p += s.longMatch.length;
    misses = 0;
  } else if (s.stop < s.length) {
    // A long old-distance match: let the next stretch's first step take it.
    finder.InsertUpTo(p);
    Choice c = BestAt(p, uint32_t(std::min<size_t>(kMaxMatch, finder.End() - p)));
    if (c.length >= 2) {
      AddMatch(unit, c.length, c.distance);
      p += c.length;
    } else {
      AddLiteral(unit, finder.Data()[p]);
      p++;
    }
  }
  return p;
}

} // namespace rarpack
