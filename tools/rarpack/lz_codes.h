// SPDX-License-Identifier: MIT
// How a match is split into the compressed format's symbols and extra bits:
// the slot a length or distance falls in, and the bytes the decoder adds to
// a coded length at far distances. The slot tables are the RAR module's.
#pragma once
#include <cstdint>

#include "rar/rar_format.h"

namespace rarpack {

// Slot look-ups: length slot of a coded length 0..255, short-distance slot of
// distance-1 in 0..255, distance slot of distance-1 below 65536.
struct SlotTables {
  uint8_t length[256];
  uint8_t shortDist[256];
  uint8_t dist[65536];
  SlotTables();
};
extern const SlotTables kSlots;

inline unsigned LengthSlot(uint32_t codedLength) {
  return kSlots.length[codedLength];
}
// Of a length-2 match, distance 1 to 256.
inline unsigned ShortDistSlot(uint32_t distance) {
  return kSlots.shortDist[distance - 1];
}
// Of a long match, distance 1 to the window's size.
inline unsigned DistSlot(uint32_t distance) {
  uint32_t v = distance - 1;
  if (v < 65536)
    return kSlots.dist[v];
  if (v < 131072)
    return 32 + (v - 65536) / 32768;
  return 34 + (v - 131072) / 65536;
}

// Extra length the decoder adds for far distances: long matches gain one
// byte from 0x2000 and one more from 0x40000 ...
inline uint32_t LongBonus(uint32_t distance) {
  return (distance >= 0x2000) + (distance >= 0x40000);
}
// ... old-distance matches one more from 0x101.
inline uint32_t RepeatBonus(uint32_t distance) {
  return (distance >= 0x101) + LongBonus(distance);
}

// The shortest length each code form can carry at `distance`.
inline uint32_t MinLongLength(uint32_t distance) {
  return 3 + LongBonus(distance);
}
inline uint32_t MinRepeatLength(uint32_t distance) {
  return 2 + RepeatBonus(distance);
}

} // namespace rarpack
