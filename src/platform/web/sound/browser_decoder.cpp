// SPDX-License-Identifier: MIT
// MP3 decoding by the browser's own decoder (decodeAudioData), which decodes
// a whole track at once: the program waits for it when the stream opens, and
// Decode then hands the samples on a slice at a time. The track is decoded on
// an offline context at its own rate, so the browser does not resample it.
#include "common/sound/backend.h"

#include "platform/fsound.h"

#include <emscripten/emscripten.h>

#include <algorithm>

namespace platform::sound {
namespace {

// clang-format off
// Decodes `length` bytes at `data` as `channels` channels at `rate` Hz, and
// keeps the result in the page for TakeDecodedMp3. The number of sample frames,
// or -1 where the browser cannot decode it (or has no Web Audio).
EM_ASYNC_JS(int, DecodeMp3InBrowser, (const unsigned char *data, size_t length, int rate, int channels), {
  const Offline = globalThis['OfflineAudioContext'] || globalThis['webkitOfflineAudioContext'];
  if (!Offline)
    return -1;
  try {
    const context = new Offline(channels, 1, rate);
    // decodeAudioData takes the buffer it is given: hand it a copy.
    const decoded = await context.decodeAudioData(HEAPU8.slice(data, data + length).buffer);
    Module['zarvoxDecoded'] = decoded;
    return decoded.length;
  } catch (e) {
    return -1;
  }
});

// Moves the track DecodeMp3InBrowser kept into `out`: `frames` frames of
// `channels` interleaved 16-bit samples, from the browser's floats as a
// 16-bit decoder rounds them.
EM_JS(void, TakeDecodedMp3, (int16_t *out, int frames, int channels), {
  const decoded = Module['zarvoxDecoded'];
  delete Module['zarvoxDecoded'];
  for (let c = 0; c < channels; ++c) {
    const samples = decoded.getChannelData(Math.min(c, decoded.numberOfChannels - 1));
    for (let i = 0, at = (out >> 1) + c; i < frames; ++i, at += channels)
      HEAP16[at] = Math.max(-32768, Math.min(32767, Math.round(samples[i] * 32768)));
  }
});

// clang-format on

// The first MPEG audio frame header of a block that a second one follows
// where the first says: the track's rate and channels, read before the
// browser is asked, so that its decoder runs at that rate. ID3v2 tags before
// the audio are skipped.
bool FindFormat(const unsigned char *data, size_t length, int *rate, int *channels) {
  static const int kRates[3] = {44100, 48000, 32000};
  static const int kKbps[2][3][15] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
  struct Header {
    int version, layer, rate, channels;
    size_t bytes;
  };
  // The header at `p` (4 bytes), or false; free-format frames (no bit rate) are not taken.
  const auto read = [](const unsigned char *p, Header *h) {
    const int version = (p[1] >> 3) & 3, layer = 4 - ((p[1] >> 1) & 3), kbpsIndex = p[2] >> 4,
              rateIndex = (p[2] >> 2) & 3;
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0 || version == 1 || layer == 4 || kbpsIndex == 0 || kbpsIndex == 15 ||
        rateIndex == 3)
      return false;
    const bool mpeg1 = version == 3;
    h->version = version;
    h->layer = layer;
    h->rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    h->channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int kbps = kKbps[mpeg1 ? 0 : 1][layer - 1][kbpsIndex];
    const int padding = (p[2] >> 1) & 1;
    if (layer == 1)
      h->bytes = size_t((12 * kbps * 1000 / h->rate + padding) * 4);
    else
      h->bytes = size_t((layer == 3 && !mpeg1 ? 72 : 144) * kbps * 1000 / h->rate + padding);
    return true;
  };
  size_t at = 0;
  while (length - at >= 10 && data[at] == 'I' && data[at + 1] == 'D' && data[at + 2] == '3') {
    const size_t size = size_t(data[at + 6] & 0x7F) << 21 | size_t(data[at + 7] & 0x7F) << 14 |
                        size_t(data[at + 8] & 0x7F) << 7 | size_t(data[at + 9] & 0x7F);
    at += 10 + size + ((data[at + 5] & 0x10) != 0 ? 10 : 0);
    if (at >= length)
      return false;
  }
  for (; at + 4 <= length; ++at) {
    Header first, next;
    if (!read(data + at, &first) || at + first.bytes + 4 > length || !read(data + at + first.bytes, &next) ||
        next.version != first.version || next.layer != first.layer || next.rate != first.rate)
      continue;
    *rate = first.rate;
    *channels = first.channels;
    return true;
  }
  return false;
}

// Samples handed on per Decode call: about a tenth of a second.
constexpr size_t kSliceFrames = 4096;

class BrowserDecoder : public Decoder {
public:
  BrowserDecoder(int rate_, int channels_, std::vector<int16_t> samples_)
      : rate(rate_), channels(channels_), samples(std::move(samples_)) {}
  int Rate() const override { return rate; }
  int Channels() const override { return channels; }
  DecodeStatus Decode(std::vector<int16_t> *out) override {
    const size_t count = std::min(samples.size() - position, kSliceFrames * size_t(channels));
    out->insert(out->end(), samples.begin() + ptrdiff_t(position), samples.begin() + ptrdiff_t(position + count));
    position += count;
    return position < samples.size() ? DecodeStatus::kMore : DecodeStatus::kEnded;
  }
  bool Rewind() override {
    position = 0;
    return true;
  }
  // The browser has no threads for the stream; Decode only copies.
  bool OwnThread() const override { return false; }

private:
  int rate;
  int channels;
  std::vector<int16_t> samples; // the whole track, interleaved
  size_t position = 0;          // next sample Decode hands on
};

} // namespace

std::unique_ptr<Decoder> OpenDecoder(const unsigned char *data, size_t length, int *error) {
  int rate = 0, channels = 0;
  const int frames = FindFormat(data, length, &rate, &channels) ? DecodeMp3InBrowser(data, length, rate, channels) : -1;
  if (frames < 0) {
    *error = FSOUND_ERR_FILE_FORMAT;
    return nullptr;
  }
  std::vector<int16_t> samples(size_t(frames) * size_t(channels));
  TakeDecodedMp3(samples.data(), frames, channels);
  return std::unique_ptr<Decoder>(new BrowserDecoder(rate, channels, std::move(samples)));
}

} // namespace platform::sound
