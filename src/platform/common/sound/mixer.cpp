// SPDX-License-Identifier: MIT
// Sums the playing streams into a device buffer, on the device's thread.
#include "common/sound/mixer.h"

#include "common/sound/stream.h"

#include <algorithm>

namespace platform::sound {

MixerCounts &Counts() {
  static MixerCounts counts;
  return counts;
}

Mixer::Mixer(int rate_, int channelCount, size_t pieceFrames_)
    : rate(rate_), channels(size_t(channelCount), nullptr), pieceFrames(pieceFrames_), sum(pieceFrames_ * 2),
      piece(pieceFrames_ * 2) {}

void Mixer::Mix(int16_t *out, size_t frames, bool waitForDecoders) {
  std::lock_guard<std::mutex> hold(lock);
  MixerCounts &counts = Counts();
  bool starved = false;
  for (size_t done = 0; done < frames;) {
    const size_t step = std::min(frames - done, pieceFrames);
    std::fill_n(sum.begin(), step * 2, 0);
    for (FSOUND_STREAM *&stream : channels) {
      if (stream == nullptr)
        continue;
      if (waitForDecoders || stream->DecodesOnDemand())
        stream->WaitForFrames(step);
      // Read the end mark first: if it is set, whatever the queue lacks will never come.
      const bool decoded = stream->decoded.load(std::memory_order_acquire);
      const size_t got = stream->queue.Read(piece.data(), step);
      if (waitForDecoders)
        stream->WakeDecoder();
      for (size_t i = 0; i < got * 2; ++i)
        sum[i] += piece[i];
      counts.streamFrames.fetch_add(got, std::memory_order_relaxed);
      if (got < step) {
        if (decoded) {
          stream->channel = -1;
          stream = nullptr;
          counts.streamsEnded.fetch_add(1, std::memory_order_relaxed);
        } else {
          starved = true;
        }
      }
    }
    int16_t *target = out + done * 2;
    for (size_t i = 0; i < step * 2; ++i)
      target[i] = int16_t(std::clamp(sum[i], int32_t(-32768), int32_t(32767)));
    done += step;
  }
  counts.buffers.fetch_add(1, std::memory_order_relaxed);
  if (starved)
    counts.starvedBuffers.fetch_add(1, std::memory_order_relaxed);
}

} // namespace platform::sound
