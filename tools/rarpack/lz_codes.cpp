// SPDX-License-Identifier: MIT
#include "rarpack/lz_codes.h"

#include <iterator>

namespace rarpack {

SlotTables::SlotTables() {
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

const SlotTables kSlots;

} // namespace rarpack
