// SPDX-License-Identifier: MIT
// Reading and comparing 16-bit stereo PCM in tests: SDL's disk-driver files,
// libmpg123's reference decoding, silence trimming, correlation, pitch.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace soundtest {

struct Pcm {
  std::vector<int16_t> samples; // interleaved
  int rate = 0;
  int channels = 0;
  size_t Frames() const { return channels == 0 ? 0 : samples.size() / size_t(channels); }
};

// The raw file SDL's disk driver wrote (native 16-bit stereo); empty if absent.
std::vector<int16_t> ReadRawStereo(const std::string &path);
// libmpg123's own decoding (through the platform layer's reference call).
Pcm ReferenceDecode(const std::vector<unsigned char> &mp3);

// Frame index of the first and one past the last frame that is not silent.
size_t FirstSoundFrame(const std::vector<int16_t> &stereo);
size_t EndSoundFrame(const std::vector<int16_t> &stereo);

// Pearson correlation of `frames` stereo frames of a (from frame aFrom) and b (from bFrom).
double Correlation(const std::vector<int16_t> &a, size_t aFrom, const std::vector<int16_t> &b, size_t bFrom,
                   size_t frames);
// Upward zero crossings per second of one channel over a frame range: the
// frequency of a pure tone.
double ToneHz(const std::vector<int16_t> &stereo, int channel, size_t from, size_t to, int rate);

} // namespace soundtest
