// SPDX-License-Identifier: MIT
// Hash chains over the sliding input buffer.
#include "rarpack/match_finder.h"

#include <algorithm>
#include <cstring>

#include "rarpack/lz_codes.h"

namespace rarpack {

namespace {
// History plus one megabyte of fresh input, so that slides are rare.
constexpr size_t kBufferSize = size_t(kMaxDistance) + 1 + (size_t(1) << 20) + (size_t(1) << 17);
} // namespace

MatchFinder::MatchFinder()
    : buf(kBufferSize + kMaxMatch + 16, 0), head(size_t(1) << kHashBits, -1), prev(kBufferSize, -1),
      last3(size_t(1) << kHash3Bits, -1), last2(65536, -1) {}

void MatchFinder::Clear() {
  std::fill(head.begin(), head.end(), -1);
  std::fill(last3.begin(), last3.end(), -1);
  std::fill(last2.begin(), last2.end(), -1);
  end = inserted = historyStart = 0;
}

size_t MatchFinder::Room(size_t keepFrom) const {
  size_t droppable = keepFrom > kMaxDistance ? keepFrom - kMaxDistance : 0;
  return kBufferSize - end + droppable;
}

size_t MatchFinder::Append(const uint8_t *data, size_t size, size_t keepFrom, size_t *shift) {
  *shift = 0;
  if (end + size > kBufferSize) {
    *shift = keepFrom > kMaxDistance ? keepFrom - kMaxDistance : 0;
    *shift = std::min(*shift, inserted);
    Slide(*shift);
  }
  size = std::min(size, kBufferSize - end);
  memcpy(buf.data() + end, data, size);
  end += size;
  return size;
}

void MatchFinder::Slide(size_t shift) {
  if (shift == 0)
    return;
  memmove(buf.data(), buf.data() + shift, end - shift);
  end -= shift;
  inserted -= shift;
  historyStart = historyStart > shift ? historyStart - shift : 0;
  const int32_t s = int32_t(shift);
  auto rebase = [s](int32_t v) { return v >= s ? v - s : -1; };
  for (int32_t &v : head)
    v = rebase(v);
  for (int32_t &v : last3)
    v = rebase(v);
  for (int32_t &v : last2)
    v = rebase(v);
  for (size_t i = 0; i < inserted; i++)
    prev[i] = rebase(prev[i + shift]);
}

void MatchFinder::InsertUpTo(size_t pos) {
  const uint8_t *b = buf.data();
  size_t limit = std::min(pos, end >= 3 ? end - 3 : 0);
  for (size_t i = inserted; i < limit; i++) {
    uint32_t h = Hash4(b + i);
    prev[i] = head[h];
    head[h] = int32_t(i);
    last3[Hash3(b + i)] = int32_t(i);
    last2[uint32_t(b[i]) << 8 | b[i + 1]] = int32_t(i);
  }
  if (limit > inserted)
    inserted = limit;
}

size_t MatchFinder::Find(size_t pos, uint32_t maxLength, unsigned depth, uint32_t goodLength, uint32_t niceLength,
                         Match *out) {
  size_t count = 0;
  if (maxLength < 2 || pos + 2 > end)
    return 0;
  const uint8_t *b = buf.data();
  const uint8_t *cur = b + pos;
  const size_t reach = std::min<size_t>(pos - historyStart, kMaxDistance);
  uint32_t best = 1;

  // Length 2 only pays at short distances (a short-distance code).
  int32_t two = last2[uint32_t(cur[0]) << 8 | cur[1]];
  if (two >= 0 && size_t(two) < pos && pos - size_t(two) <= std::min<size_t>(reach, 256)) {
    out[count++] = {2, uint32_t(pos - size_t(two))};
    best = 2;
  }
  if (maxLength < 3 || pos + 4 > end)
    return count;

  // Length 3 only below distance 0x2000 (further away a long match needs 4).
  int32_t three = last3[Hash3(cur)];
  if (three >= 0 && size_t(three) < pos && pos - size_t(three) <= std::min<size_t>(reach, 0x1FFF)) {
    const uint8_t *m = b + three;
    if (m[0] == cur[0] && m[1] == cur[1] && m[2] == cur[2]) {
      uint32_t len = CommonLength(cur, m, maxLength);
      out[count++] = {len, uint32_t(pos - size_t(three))};
      best = len;
      if (len >= niceLength)
        return count;
    }
  }

  int32_t candidate = head[Hash4(cur)];
  while (candidate >= 0 && depth > 0 && best < maxLength) {
    depth--;
    size_t distance = pos - size_t(candidate);
    if (distance > reach || distance == 0)
      break;
    const uint8_t *m = b + candidate;
    // The last bytes of a longer match first: most candidates fail there.
    const uint32_t probe = best >= 4 ? best - 3 : 0;
    if (Load32(m + probe) == Load32(cur + probe) && Load32(m) == Load32(cur)) {
      uint32_t len = CommonLength(cur, m, maxLength);
      if (len > best && len >= MinLongLength(uint32_t(distance))) {
        best = len;
        out[count++] = {len, uint32_t(distance)};
        if (len >= niceLength)
          break;
        if (len >= goodLength)
          depth >>= 2;
      }
    }
    candidate = prev[size_t(candidate)];
  }
  return count;
}

} // namespace rarpack
