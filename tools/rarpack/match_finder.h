// SPDX-License-Identifier: MIT
// Hash-chain match finder over a sliding buffer that keeps the last 1 MiB of
// input reachable, the reach of the decompressor's window.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rarpack {

// The longest distance the packer codes (the window is 0x100000 bytes).
constexpr uint32_t kMaxDistance = 0xFFFFF;
// The longest match the packer codes; every code form can carry it.
constexpr uint32_t kMaxMatch = 257;

struct Match {
  uint32_t length;
  uint32_t distance;
};

class MatchFinder {
public:
  MatchFinder();

  // Empties the buffer and forgets all history (a new, non-solid stream).
  void Clear();
  // Appends as much of the input as fits and returns how much that was.
  // `keepFrom` is the earliest position the caller still needs (its parse
  // position); data more than kMaxDistance before it may be dropped, which
  // shifts every position down by *shift.
  size_t Append(const uint8_t *data, size_t size, size_t keepFrom, size_t *shift);
  // Free room for append() without exceeding the buffer, given keepFrom.
  size_t Room(size_t keepFrom) const;

  const uint8_t *Data() const { return buf.data(); }
  size_t End() const { return end; }
  // Earliest position a match may reach back to.
  size_t HistoryStart() const { return historyStart; }

  // Enters every position before `pos` into the hash chains (positions whose
  // four bytes are not all buffered yet wait for more data).
  void InsertUpTo(size_t pos);

  // Matches at `pos` (which must be the next position to insert), longest
  // last, each longer than the one before; at most `maxLength` long, searched
  // through `depth` chain links (a quarter of them once a match reaches
  // `goodLength`) and cut short at `niceLength`. Matches too short for their
  // distance's code forms are left out. Returns the count.
  size_t Find(size_t pos, uint32_t maxLength, unsigned depth, uint32_t goodLength, uint32_t niceLength, Match *out);

  // Length of the match between `pos` and `pos - distance`, at most maxLength.
  uint32_t LengthAt(size_t pos, uint32_t distance, uint32_t maxLength) const {
    if (distance == 0 || distance > pos - historyStart)
      return 0;
    return CommonLength(buf.data() + pos, buf.data() + pos - distance, maxLength);
  }

  // Bytes `a` and `b` have in common, at most `limit`; may read up to 7
  // bytes past the limit (the buffer has room for that).
  static uint32_t CommonLength(const uint8_t *a, const uint8_t *b, uint32_t limit) {
    uint32_t n = 0;
    while (n < limit) {
      uint64_t x, y;
      memcpy(&x, a + n, 8);
      memcpy(&y, b + n, 8);
      if (x != y)
        return std::min(limit, n + uint32_t(__builtin_ctzll(x ^ y) >> 3));
      n += 8;
    }
    return limit;
  }

private:
  static uint32_t Load32(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
  }
  static uint32_t Hash4(const uint8_t *p) { return (Load32(p) * 2654435761u) >> (32 - kHashBits); }
  static uint32_t Hash3(const uint8_t *p) { return ((Load32(p) & 0xFFFFFF) * 2654435761u) >> (32 - kHash3Bits); }
  void Slide(size_t shift);

  static constexpr unsigned kHashBits = 18;
  static constexpr unsigned kHash3Bits = 16;
  std::vector<uint8_t> buf;   // input: up to 1 MiB of history, then unparsed data
  std::vector<int32_t> head;  // newest position per 4-byte hash, or -1
  std::vector<int32_t> prev;  // per position: the previous one with the same 4-byte hash, or -1
  std::vector<int32_t> last3; // newest position per 3-byte hash, or -1 (length-3 matches, short reach)
  std::vector<int32_t> last2; // newest position per 2-byte value, or -1 (length-2 matches)
  size_t end = 0;             // buffered bytes
  size_t inserted = 0;        // positions below this are in the chains
  size_t historyStart = 0;    // no match reaches before this position
};

} // namespace rarpack
