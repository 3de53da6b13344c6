// SPDX-License-Identifier: MIT
// Renders the soundtrack from the score: every part's voices into its own
// group, sidechain ducking under the kick, echo and reverb sends, a master
// high-pass and a peak limiter.
#pragma once
#include <vector>

namespace media {

constexpr float kCeiling = 0.84f; // peak limit before encoding (-1.5 dBFS): MP3 decoding overshoots a little

struct Rendered {
  std::vector<float> stereo; // interleaved left, right at 44.1 kHz; 128 s exactly
  float deepestLimiterGain;  // 1 when the limiter never had to act
  double limitedShare;       // share of the track limited by more than 1 dB
};
// `parts` selects the parts to hear, one bit per Part (all by default; fewer
// serve for studying the mix).
Rendered RenderSoundtrack(unsigned parts = ~0u);

struct Levels {
  double peakDb; // highest absolute sample, dB relative to full scale
  double rmsDb;  // root mean square over both channels, dBFS
};
// Levels of interleaved stereo between two times (seconds).
Levels MeasureLevels(const std::vector<float> &stereo, double fromS, double toS);

} // namespace media
