// SPDX-License-Identifier: MIT
// The audio predictor: a weighted sum of past deltas, with the weight whose
// error sum was smallest nudged every 32 bytes of a channel.
#include "rarpack/audio_predictor.h"

#include <cstdlib>

namespace rarpack {

uint8_t AudioState::Predict() {
  AudioChannelState &s = channels[currentChannel];
  s.byteCount++;
  s.d[3] = s.d[2];
  s.d[2] = s.d[1];
  s.d[1] = s.lastDelta - s.d[0];
  s.d[0] = s.lastDelta;
  // Unsigned arithmetic: the sum wraps modulo 2^32 like the decoder's 32-bit one.
  uint32_t p = 8u * uint32_t(s.lastValue) + uint32_t(s.k[0] * s.d[0]) + uint32_t(s.k[1] * s.d[1]) +
               uint32_t(s.k[2] * s.d[2]) + uint32_t(s.k[3] * s.d[3]) + uint32_t(s.k[4] * channelDelta);
  predicted = (int32_t(p) >> 3) & 0xFF;
  return uint8_t(predicted);
}

uint8_t AudioState::Apply(uint8_t delta) {
  AudioChannelState &s = channels[currentChannel];
  const int32_t ch = predicted - delta;
  const int32_t i = int32_t(int8_t(delta)) * 8;
  s.dif[0] += uint32_t(std::abs(i));
  s.dif[1] += uint32_t(std::abs(i - s.d[0]));
  s.dif[2] += uint32_t(std::abs(i + s.d[0]));
  s.dif[3] += uint32_t(std::abs(i - s.d[1]));
  s.dif[4] += uint32_t(std::abs(i + s.d[1]));
  s.dif[5] += uint32_t(std::abs(i - s.d[2]));
  s.dif[6] += uint32_t(std::abs(i + s.d[2]));
  s.dif[7] += uint32_t(std::abs(i - s.d[3]));
  s.dif[8] += uint32_t(std::abs(i + s.d[3]));
  s.dif[9] += uint32_t(std::abs(i - channelDelta));
  s.dif[10] += uint32_t(std::abs(i + channelDelta));
  channelDelta = s.lastDelta = int8_t(uint8_t(ch - s.lastValue));
  s.lastValue = ch;
  if ((s.byteCount & 31) == 0) {
    unsigned best = 0;
    uint32_t least = s.dif[0];
    for (unsigned n = 1; n < 11; n++)
      if (s.dif[n] < least) {
        least = s.dif[n];
        best = n;
      }
    for (uint32_t &sum : s.dif)
      sum = 0;
    if (best > 0) {
      int32_t &weight = s.k[(best - 1) / 2];
      if (best & 1) {
        if (weight >= -16)
          weight--;
      } else if (weight < 16) {
        weight++;
      }
    }
  }
  return uint8_t(ch);
}

} // namespace rarpack
