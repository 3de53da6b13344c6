#include "rarpack/audio_mode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace rarpack {

namespace {

constexpr unsigned kLzRestUnits = 7; // units without an LZ trial after audio mode won clearly

} // namespace

unsigned guess_audio_channels(const uint8_t *data, size_t size) {
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
      counts[ch * 256 + state.encode(data[i])]++;
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

void AudioMode::beginEntry(int choice) {
  choice_ = choice;
  channels_ = choice > 0 ? unsigned(std::min(choice, 4)) : 0;
  guessPending_ = choice == kAudioAuto;
  lzRest_ = 0;
}

void AudioMode::guess(const uint8_t *data, size_t size) {
  guessPending_ = false;
  channels_ = guess_audio_channels(data, size);
}

AudioMode::Trial AudioMode::nextUnit() {
  Trial t;
  t.audio = channels_ > 0;
  t.lz = choice_ <= 0 && (!t.audio || lzRest_ == 0);
  if (lzRest_ > 0)
    lzRest_--;
  return t;
}

void AudioMode::code(const uint8_t *data, size_t from, size_t to, Block &unit) {
  trial_ = state_;
  if (trial_.currentChannel >= channels_)
    trial_.currentChannel = 0; // what reading an audio table header does
  trial_.channelCount = channels_;
  unit.start(true, channels_);
  for (size_t p = from; p < to; p++) {
    unsigned ch = trial_.currentChannel;
    unit.addAudio(ch, trial_.encode(data[p]));
  }
}

void AudioMode::weigh(uint64_t lzCost, uint64_t audioCost) {
  if (audioCost < lzCost - lzCost / 8)
    lzRest_ = kLzRestUnits;
}

} // namespace rarpack
