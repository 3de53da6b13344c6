// SPDX-License-Identifier: MIT
// MP3 data made at test time: synthetic signals encoded with libmp3lame, with
// the encoder's info frame filled in so that decoders trim its delay.
#pragma once
#include <cstdint>
#include <vector>

namespace soundtest {

struct Signal {
  int rate = 44100;     // Hz
  int channels = 2;     // 1 or 2
  double seconds = 1;   // length
  double leftHz = 440;  // tone of the left (or only) channel
  double rightHz = 660; // tone of the right channel
};

// Two steady tones at -8 dBFS with 5 ms fades at both ends.
std::vector<int16_t> Tones(const Signal &signal);
// Something closer to music for benchmarks: chords, a bass line and noisy
// hits, changing every half second.
std::vector<int16_t> BusyMusic(int rate, double seconds);

// Encodes interleaved samples at `kbps` constant bit rate.
std::vector<unsigned char> EncodeMp3(const std::vector<int16_t> &samples, int rate, int channels, int kbps = 160);

} // namespace soundtest
