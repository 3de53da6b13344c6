// SPDX-License-Identifier: MIT
// Synthetic signals and their MP3 encoding with libmp3lame.
#include "support/mp3_maker.h"

#include <lame.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace soundtest {
namespace {
constexpr double kPi = 3.14159265358979323846;
}

std::vector<int16_t> Tones(const Signal &signal) {
  const size_t frames = size_t(signal.seconds * signal.rate);
  const size_t fade = size_t(signal.rate / 200);
  std::vector<int16_t> samples(frames * size_t(signal.channels));
  for (size_t i = 0; i < frames; ++i) {
    double gain = 0.4 * 32767;
    if (i < fade)
      gain *= double(i + 1) / double(fade);
    if (frames - i <= fade)
      gain *= double(frames - i) / double(fade);
    const double t = double(i) / signal.rate;
    samples[i * signal.channels] = int16_t(std::lrint(gain * std::sin(2 * kPi * signal.leftHz * t)));
    if (signal.channels == 2)
      samples[i * 2 + 1] = int16_t(std::lrint(gain * std::sin(2 * kPi * signal.rightHz * t)));
  }
  return samples;
}

std::vector<int16_t> BusyMusic(int rate, double seconds) {
  const size_t frames = size_t(seconds * rate);
  std::vector<int16_t> samples(frames * 2);
  const double chords[4][3] = {{220, 277.2, 329.6}, {196, 246.9, 293.7}, {174.6, 220, 261.6}, {164.8, 207.7, 246.9}};
  uint32_t noise = 12345;
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    const int bar = int(t * 2) % 4;
    const double beat = std::fmod(t * 4, 1.0);
    double left = 0, right = 0;
    for (int n = 0; n < 3; ++n) {
      left += 0.08 * std::sin(2 * kPi * chords[bar][n] * t * (1 + 0.002 * n));
      right += 0.08 * std::sin(2 * kPi * chords[bar][n] * t * (1 - 0.002 * n));
    }
    const double bass = 0.2 * std::sin(2 * kPi * chords[bar][0] / 4 * t) * std::exp(-3 * beat);
    noise = noise * 1664525u + 1013904223u;
    const double hit = 0.15 * (double(noise >> 8) / double(1 << 24) - 0.5) * std::exp(-30 * beat);
    samples[i * 2] = int16_t(std::lrint(32767 * (left + bass + hit)));
    samples[i * 2 + 1] = int16_t(std::lrint(32767 * (right + bass - hit)));
  }
  return samples;
}

std::vector<unsigned char> EncodeMp3(const std::vector<int16_t> &samples, int rate, int channels, int kbps) {
  lame_global_flags *lame = lame_init();
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_num_channels(lame, channels);
  lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);
  lame_init_params(lame);

  const int frames = int(samples.size() / size_t(channels));
  std::vector<unsigned char> mp3(size_t(1.25 * frames + 7200) + 16384);
  int used = 0;
  const int chunk = 8192;
  for (int done = 0; done < frames; done += chunk) {
    const int count = std::min(chunk, frames - done);
    const int16_t *in = samples.data() + size_t(done) * channels;
    int written;
    if (channels == 2) {
      written = lame_encode_buffer_interleaved(lame, const_cast<short *>(in), count, mp3.data() + used,
                                               int(mp3.size()) - used);
    } else {
      written = lame_encode_buffer(lame, in, in, count, mp3.data() + used, int(mp3.size()) - used);
    }
    if (written < 0)
      std::abort();
    used += written;
  }
  used += lame_encode_flush(lame, mp3.data() + used, int(mp3.size()) - used);
  mp3.resize(size_t(used));
  // The first frame is a placeholder for the info frame (delay, padding, length).
  std::vector<unsigned char> tag(4096);
  const size_t tagBytes = lame_get_lametag_frame(lame, tag.data(), tag.size());
  if (tagBytes > 0 && tagBytes <= tag.size() && tagBytes <= mp3.size())
    std::copy_n(tag.begin(), tagBytes, mp3.begin());
  lame_close(lame);
  return mp3;
}

} // namespace soundtest
