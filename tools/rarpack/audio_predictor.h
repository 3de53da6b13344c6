// SPDX-License-Identifier: MIT
// The multimedia (audio) mode's adaptive linear predictor. The packer runs it
// step for step as the decompressor does, so both sides predict alike.
#pragma once
#include <cstdint>

namespace rarpack {

// Predictor state of one channel (all 32-bit, as the decoder keeps them).
struct AudioChannelState {
  int32_t k[5] = {};      // weights K1..K5, kept within -17..16
  int32_t d[4] = {};      // past deltas D1..D4
  int32_t lastDelta = 0;  // the channel's last delta
  uint32_t dif[11] = {};  // error sums of the eleven weight candidates
  uint32_t byteCount = 0; // bytes this channel has produced
  int32_t lastValue = 0;  // last predicted-minus-delta value, not reduced to a byte
};

// All channels plus the delta shared between them.
struct AudioState {
  AudioChannelState channels[4];
  int32_t channelDelta = 0;    // last delta produced by any channel
  unsigned currentChannel = 0; // channel of the next byte
  unsigned channelCount = 1;   // 1 to 4, set by the audio table header

  // Steps of one byte on the current channel: predict() first (it shifts the
  // channel's past deltas and returns the predicted byte), then apply() with
  // the coded delta, which adapts the weights and returns the output byte.
  // The caller moves currentChannel on.
  uint8_t Predict();
  uint8_t Apply(uint8_t delta);

  // Encoder side: the delta that makes the current channel produce `byte`.
  uint8_t Encode(uint8_t byte) {
    uint8_t delta = uint8_t(Predict() - byte);
    Apply(delta);
    if (++currentChannel >= channelCount)
      currentChannel = 0;
    return delta;
  }

private:
  int32_t predicted = 0; // predict()'s result, kept for apply()
};

} // namespace rarpack
