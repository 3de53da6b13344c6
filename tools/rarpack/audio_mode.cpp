// SPDX-License-Identifier: MIT
#include "rarpack/audio_mode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace rarpack {

namespace {

constexpr unsigned kLzRestUnits = 7; // units without an LZ trial after audio mode won clearly

} // namespace

unsigned GuessAudioChannels(const uint8_t *data, size_t size) {
  auto u16 = [&](size_t at) { return unsigned(data[at]) | unsigned(data[at + 1]) << 8; };
  auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  if (size >= 36 && memcmp(data, "RIFF", 4) == 0 && memcmp(data + 8, "WAVE", 4) == 0) {
    for (size_t at = 12; at + 24 <= size;) {
      uint32_t chunk = u32(at + 4);
      if (memcmp(data + at, "fmt ", 4) == 0) {
        unsigned format = u16(at + 8), blockAlign = u16(at + 20);
        bool pcm = format == 1 || format == 0xFFFE;
        return pcm && blockAlign >= 1 && blockAlign <= 4 ? blockAlign : 0;
      }
      if (chunk > size)
        break;
      at += 8 + chunk + (chunk & 1);
    }
    return 0;
  }
  size = std::min<size_t>(size, 32768);
  if (size < 4096)
    return 0;
  auto entropy = [](const uint32_t *counts, unsigned n, size_t total) {
    double bits = 0;
    for (unsigned k = 0; k < n; k++)
      if (counts[k])
        bits -= counts[k] * std::log2(double(counts[k]) / double(total));
    return bits;
  };
  uint32_t raw[256] = {};
  for (size_t i = 0; i < size; i++)
    raw[data[i]]++;
  const double rawBits = entropy(raw, 256, size);
  double bestBits = rawBits * 0.8;
  unsigned best = 0;
  for (unsigned c = 1; c <= 4; c++) {
    AudioState state;
    state.channelCount = c;
    std::vector<uint32_t> counts(256 * c, 0);
    for (size_t i = 0; i < size; i++) {
      unsigned ch = state.currentChannel;
      counts[ch * 256 + state.Encode(data[i])]++;
    }
    double bits = 0;
    for (unsigned ch = 0; ch < c; ch++) {
      size_t total = 0;
      for (unsigned k = 0; k < 256; k++)
        total += counts[ch * 256 + k];
      bits += entropy(&counts[ch * 256], 256, total);
    }
    if (bits < bestBits) {
      bestBits = bits;
      best = c;
    }
  }
  return best;
}

void AudioMode::BeginEntry(int entryChoice) {
  choice = entryChoice;
  channels = entryChoice > 0 ? unsigned(std::min(entryChoice, 4)) : 0;
  guessPending = entryChoice == kAudioAuto;
  lzRest = 0;
}

void AudioMode::Guess(const uint8_t *data, size_t size) {
  guessPending = false;
  channels = GuessAudioChannels(data, size);
}

AudioMode::Trial AudioMode::NextUnit() {
  Trial t;
  t.audio = channels > 0;
  t.lz = choice <= 0 && (!t.audio || lzRest == 0);
  if (lzRest > 0)
    lzRest--;
  return t;
}

void AudioMode::Code(const uint8_t *data, size_t from, size_t to, Block &unit) {
  trial = state;
  if (trial.currentChannel >= channels)
    trial.currentChannel = 0; // what reading an audio table header does
  trial.channelCount = channels;
  unit.Start(true, channels);
  for (size_t p = from; p < to; p++) {
    unsigned ch = trial.currentChannel;
    unit.AddAudio(ch, trial.Encode(data[p]));
  }
}

void AudioMode::Weigh(uint64_t lzCost, uint64_t audioCost) {
  if (audioCost < lzCost - lzCost / 8)
    lzRest = kLzRestUnits;
}

} // namespace rarpack
