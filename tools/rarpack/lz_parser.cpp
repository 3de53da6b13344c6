#include "rarpack/lz_parser.h"

#include "rarpack/lz_codes.h"

namespace rarpack {

namespace {

constexpr size_t kOptimalStretch = 4096; // positions weighed together by the optimal parser

} // namespace

void Prices::setDefault() {
  for (unsigned s = 0; s < kMainSymbols; s++)
    main[s] = s < 256 ? 8 : s < kShortMatchSymbol ? 7 : s < kNewTableSymbol ? 8 : s == kNewTableSymbol ? 15 : 7;
  for (uint32_t &p : dist)
    p = 5;
  for (uint32_t &p : rep)
    p = 4;
}

void Prices::set(const std::vector<uint8_t> &lengths) {
  auto price = [](uint8_t l) { return l ? uint32_t(l) : 13u; };
  for (unsigned s = 0; s < kMainSymbols; s++)
    main[s] = price(lengths[s]);
  for (unsigned s = 0; s < kDistSymbols; s++)
    dist[s] = price(lengths[kMainSymbols + s]);
  for (unsigned s = 0; s < kRepeatSymbols; s++)
    rep[s] = price(lengths[kMainSymbols + kDistSymbols + s]);
}

LzParser::Config LzParser::levelConfig(int level) {
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

LzParser::Config LzParser::dryConfig(const Config &level) {
  Config c = level;
  c.depth = std::min(c.depth, 16u);
  c.missShift = std::min(c.missShift, 3u);
  c.lazyLimit = 0;
  c.optimal = false;
  return c;
}

LzParser::LzParser(int level, MatchFinder &finder) : level_(levelConfig(level)), config_(level_), finder_(finder) {
  prices_.setDefault();
}

void LzParser::reset() {
  lz_ = LzState{};
  prices_.setDefault();
}

size_t LzParser::parse(size_t from, size_t to, Block &unit) {
  config_ = dry_ ? dryConfig(level_) : level_;
  return config_.optimal ? parseOptimal(from, to, unit) : parseGreedy(from, to, unit);
}

// ---- choices ------------------------------------------------------------

// The cheapest code form for a match under the current old distances, with
// its price; sym 0 if none fits.
Command LzParser::cheapestForm(uint32_t length, uint32_t distance, uint32_t *price) const {
  Command best{0, uint16_t(length), distance};
  uint32_t bestPrice = UINT32_MAX;
  if (length == lz_.lastLength && distance == lz_.lastDistance) {
    best.sym = kRepeatLastSymbol;
    bestPrice = prices_.main[kRepeatLastSymbol];
  }
  uint32_t repLength = length - 2 - repeat_bonus(distance);
  if (length >= min_repeat_length(distance) && repLength < 256) {
    for (unsigned k = 0; k < 4; k++) {
      if (lz_.old(k) != distance)
        continue;
      unsigned slot = length_slot(repLength);
      uint32_t p = prices_.main[kOldDistanceSymbol + k] + prices_.rep[slot] + kLengthBits[slot];
      if (p < bestPrice) {
        bestPrice = p;
        best.sym = uint16_t(kOldDistanceSymbol + k);
      }
      break;
    }
  }
  if (length == 2 && distance <= 256) {
    unsigned slot = short_dist_slot(distance);
    uint32_t p = prices_.main[kShortMatchSymbol + slot] + kShortDistBits[slot];
    if (p < bestPrice) {
      bestPrice = p;
      best.sym = uint16_t(kShortMatchSymbol + slot);
    }
  }
  uint32_t longLength = length - 3 - long_bonus(distance);
  if (length >= min_long_length(distance) && longLength < 256) {
    unsigned slot = length_slot(longLength);
    unsigned d = dist_slot(distance);
    uint32_t p = prices_.main[kLongMatchSymbol + slot] + kLengthBits[slot] + prices_.dist[d] + kDistBits[d];
    if (p < bestPrice) {
      bestPrice = p;
      best.sym = uint16_t(kLongMatchSymbol + slot);
    }
  }
  *price = bestPrice;
  return best;
}

// The best match at p under the current old distances, by bits saved.
LzParser::Choice LzParser::bestAt(size_t p, uint32_t maxLength) {
  Choice choice;
  if (maxLength < 2)
    return choice;
  const uint8_t *data = finder_.data() + p;
  int32_t literalSum[kMaxMatch + 1];
  uint32_t summed = 0;
  literalSum[0] = 0;
  auto consider = [&](uint32_t length, uint32_t distance) {
    uint32_t price;
    cheapestForm(length, distance, &price);
    if (price == UINT32_MAX)
      return;
    while (summed < length) {
      literalSum[summed + 1] = literalSum[summed] + int32_t(prices_.main[data[summed]]);
      summed++;
    }
    int32_t gain = literalSum[length] - int32_t(price);
    if (gain > choice.gain || (gain == choice.gain && length > choice.length))
      choice = {length, distance, gain};
  };
  if (lz_.lastDistance && lz_.lastLength <= maxLength &&
      finder_.lengthAt(p, lz_.lastDistance, lz_.lastLength) == lz_.lastLength)
    consider(lz_.lastLength, lz_.lastDistance);
  for (unsigned k = 0; k < 4; k++) {
    uint32_t d = lz_.old(k);
    if (d == 0)
      continue;
    uint32_t len = finder_.lengthAt(p, d, maxLength);
    if (len >= min_repeat_length(d))
      consider(len, d);
  }
  size_t n = finder_.find(p, maxLength, config_.depth, config_.goodLength, config_.niceLength, matches_);
  for (size_t i = 0; i < n; i++)
    consider(matches_[i].length, matches_[i].distance);
  if (choice.gain <= 0)
    choice = Choice{};
  return choice;
}

void LzParser::addMatch(Block &unit, uint32_t length, uint32_t distance) {
  uint32_t price;
  unit.add(cheapestForm(length, distance, &price));
  lz_.push(length, distance);
}

// ---- match by match -------------------------------------------------------

// Where nothing matches for a while (compressed or random data), only every
// few positions are searched, more rarely the longer the drought; the
// positions in between are still entered into the hash chains.
size_t LzParser::parseGreedy(size_t from, size_t to, Block &unit) {
  size_t p = from;
  const size_t end = finder_.end();
  Choice next;
  bool haveNext = false;
  unsigned misses = 0;
  while (p < to) {
    uint32_t maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - p));
    const unsigned step = searchStep(misses);
    if (step > 1 && !haveNext) {
      // Skipped positions still try the two newest old distances: cheap
      // (their bytes are in the cache), and where data has a rhythm, as
      // compressed audio frames do, that is where its matches are.
      for (size_t stop = std::min(p + step - 1, to); p < stop; p++) {
        if (finder_.lengthAt(p, lz_.old(0), 4) == 4 || finder_.lengthAt(p, lz_.old(1), 4) == 4)
          break;
        addLiteral(unit, finder_.data()[p]);
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
      finder_.insertUpTo(p);
      here = bestAt(p, maxLength);
    }
    if (here.length >= 2 && here.length < config_.lazyLimit && p + 2 < end) {
      finder_.insertUpTo(p + 1);
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
      addLiteral(unit, finder_.data()[p]);
      p++;
      countMiss(misses);
    }
  }
  finder_.insertUpTo(p);
  return p;
}

// ---- cheapest path --------------------------------------------------------

// Weighs every literal and match in a stretch of up to kOptimalStretch
// positions by the current prices and takes the cheapest path; a match of
// niceLength or more ends the stretch and is taken as it is.
size_t LzParser::parseOptimal(size_t from, size_t to, Block &unit) {
  size_t p = from;
  unsigned misses = 0;
  nodes_.resize(kOptimalStretch + kMaxMatch + 1);
  while (p < to) {
    Stretch s = startStretch(p, to);
    weighStretch(s, misses);
    replayPath(s, unit);
    p = takeStretchEnd(s, unit, misses);
  }
  finder_.insertUpTo(p);
  return p;
}

LzParser::Stretch LzParser::startStretch(size_t from, size_t to) {
  Stretch s;
  s.start = from;
  s.length = std::min(kOptimalStretch, to - from);
  s.reach = std::min(s.length + kMaxMatch, finder_.end() - from);
  s.stop = s.length;
  s.longMatch = {0, 0};
  s.searchFrom = 0;
  for (size_t i = 0; i <= s.reach; i++)
    nodes_[i].price = UINT32_MAX;
  Node &start = nodes_[0];
  start.price = 0;
  for (unsigned k = 0; k < 4; k++)
    start.reps[k] = lz_.old(k);
  start.lastLength = lz_.lastLength;
  return s;
}

// Steps from every position of the stretch, in order, to every position a
// literal or match reaches, keeping the cheapest way to each. Ends the
// stretch early at a nice match.
void LzParser::weighStretch(Stretch &s, unsigned &misses) {
  const uint8_t *data = finder_.data();
  const size_t end = finder_.end();
  for (size_t i = 0; i < s.length; i++) {
    const size_t at = s.start + i;
    const uint32_t maxLength = uint32_t(std::min<size_t>(kMaxMatch, end - at));
    const Node here = nodes_[i];
    if (i + 1 <= s.reach)
      relaxLiteral(i, here, data[at]);
    const unsigned step = searchStep(misses);
    if (maxLength < 2 || (step > 1 && i % step != 0)) {
      countMiss(misses);
      continue;
    }
    finder_.insertUpTo(at);
    uint32_t longestRep = 0;
    const bool foundRep = relaxOldDistances(i, here, at, maxLength, &longestRep);
    if (longestRep >= config_.niceLength) {
      s.stop = i; // the next stretch starts with this match
      s.longMatch = {0, 0};
      return;
    }
    if (i < s.searchFrom) {
      misses = 0;
      continue;
    }
    const size_t n = finder_.find(at, maxLength, config_.depth, config_.goodLength, config_.niceLength, matches_);
    if (n > 0 && matches_[n - 1].length >= config_.goodLength)
      s.searchFrom = i + matches_[n - 1].length - 1;
    relaxMatches(i, here, n);
    if (foundRep || n > 0)
      misses = 0;
    else
      countMiss(misses);
    if (n > 0 && matches_[n - 1].length >= config_.niceLength) {
      s.stop = i;
      s.longMatch = matches_[n - 1];
      return;
    }
  }
}

void LzParser::relaxLiteral(size_t i, const Node &here, uint8_t byte) {
  const uint32_t price = here.price + prices_.main[byte];
  Node &n = nodes_[i + 1];
  if (price < n.price) {
    n = here;
    n.price = price;
    n.from = uint32_t(i);
    n.length = 0;
  }
}

// Steps by the old distances, and the previous match repeated. Returns
// whether one is long enough to code; *longest is the longest of them.
bool LzParser::relaxOldDistances(size_t i, const Node &here, size_t at, uint32_t maxLength, uint32_t *longest) {
  bool found = false;
  for (unsigned k = 0; k < 4; k++) {
    const uint32_t d = here.reps[k];
    if (d == 0 || (k > 0 && d == here.reps[k - 1]))
      continue;
    const uint32_t len = finder_.lengthAt(at, d, maxLength);
    if (k == 0 && here.lastLength >= 2 && here.lastLength <= len)
      relax(i, i + here.lastLength, here.price + prices_.main[kRepeatLastSymbol], here.lastLength, d);
    const uint32_t bonus = repeat_bonus(d);
    for (uint32_t l = min_repeat_length(d); l <= len && l - 2 - bonus < 256; l++) {
      const unsigned slot = length_slot(l - 2 - bonus);
      relax(i, i + l, here.price + prices_.main[kOldDistanceSymbol + k] + prices_.rep[slot] + kLengthBits[slot], l, d);
    }
    if (len >= min_repeat_length(d))
      found = true;
    *longest = std::max(*longest, len);
  }
  return found;
}

// Steps by the `count` matches found, each length once, at the nearest
// distance that reaches it.
void LzParser::relaxMatches(size_t i, const Node &here, size_t count) {
  uint32_t covered = 1;
  for (size_t m = 0; m < count; m++) {
    const uint32_t d = matches_[m].distance;
    const uint32_t len = matches_[m].length;
    if (len == 2) {
      const unsigned slot = short_dist_slot(d);
      relax(i, i + 2, here.price + prices_.main[kShortMatchSymbol + slot] + kShortDistBits[slot], 2, d);
      covered = 2;
      continue;
    }
    const unsigned dslot = dist_slot(d);
    const uint32_t distPrice = prices_.dist[dslot] + kDistBits[dslot];
    const uint32_t bonus = long_bonus(d);
    for (uint32_t l = std::max(covered + 1, min_long_length(d)); l <= len; l++) {
      const unsigned slot = length_slot(l - 3 - bonus);
      relax(i, i + l, here.price + prices_.main[kLongMatchSymbol + slot] + kLengthBits[slot] + distPrice, l, d);
    }
    covered = len;
  }
}

void LzParser::relax(size_t from, size_t to, uint32_t price, uint32_t length, uint32_t distance) {
  Node &n = nodes_[to];
  if (price >= n.price)
    return;
  const Node &f = nodes_[from];
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
void LzParser::replayPath(const Stretch &s, Block &unit) {
  path_.clear();
  for (size_t i = s.stop; i > 0; i = nodes_[i].from)
    path_.push_back(uint32_t(i));
  for (size_t k = path_.size(); k-- > 0;) {
    const Node &n = nodes_[path_[k]];
    if (n.length == 0)
      addLiteral(unit, finder_.data()[s.start + n.from]);
    else
      addMatch(unit, n.length, n.distance);
  }
}

// Codes what ended the stretch early, if anything, and returns where the
// next stretch starts.
size_t LzParser::takeStretchEnd(const Stretch &s, Block &unit, unsigned &misses) {
  size_t p = s.start + s.stop;
  if (s.longMatch.length > 0) {
    addMatch(unit, s.longMatch.length, s.longMatch.distance);
    p += s.longMatch.length;
    misses = 0;
  } else if (s.stop < s.length) {
    // A long old-distance match: let the next stretch's first step take it.
    finder_.insertUpTo(p);
    Choice c = bestAt(p, uint32_t(std::min<size_t>(kMaxMatch, finder_.end() - p)));
    if (c.length >= 2) {
      addMatch(unit, c.length, c.distance);
      p += c.length;
    } else {
      addLiteral(unit, finder_.data()[p]);
      p++;
    }
  }
  return p;
}

} // namespace rarpack
