// SPDX-License-Identifier: MIT
// The FSOUND mixer: the channels of playing streams summed into the device's
// buffers, on the device's thread (or on the caller's, when mixing offline).
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

struct FSOUND_STREAM;

namespace platform::sound {

// Figures for tests and benchmarks (PlatformGetSoundCounts), cleared by FSOUND_Init.
struct MixerCounts {
  std::atomic<uint64_t> buffers{0};        // Mix calls
  std::atomic<uint64_t> starvedBuffers{0}; // Mix calls in which a stream's queue ran dry before its end
  std::atomic<uint64_t> streamFrames{0};   // frames taken from queues
  std::atomic<uint64_t> streamsEnded{0};   // streams that reached their last frame
  std::atomic<int> bufferFrames{0};        // device buffer length, 0 without a device
};
MixerCounts &Counts();

class Mixer {
public:
  // `pieceFrames`: the most frames summed in one step (the device buffer).
  Mixer(int rate, int channelCount, size_t pieceFrames);

  int Rate() const { return rate; }
  int ChannelCount() const { return int(channels.size()); }

  // The channel table. The program's thread holds `lock` around these, as
  // Mix runs on the device's thread.
  FSOUND_STREAM *Channel(int channel) const { return channels[size_t(channel)]; }
  void SetChannel(int channel, FSOUND_STREAM *stream) { channels[size_t(channel)] = stream; }

  // Fills `frames` stereo frames at the mixing rate, holding `lock`. A stream
  // whose queue has run out leaves silence (starved) or, once decoded to the
  // end, its channel. Never allocates; with `waitForDecoders` (offline only)
  // it waits for the decoders instead of starving. A stream without a
  // decoder thread is decoded here as far as the buffer needs.
  void Mix(int16_t *out, size_t frames, bool waitForDecoders);

  // Held by Mix for one buffer, by the program's thread for a few
  // instructions while it changes the channel table.
  std::mutex lock;

private:
  int rate;                              // Hz
  std::vector<FSOUND_STREAM *> channels; // playing stream per channel, or NULL
  size_t pieceFrames;                    // frames per step of Mix
  std::vector<int32_t> sum;              // one step's sum, left/right interleaved
  std::vector<int16_t> piece;            // one stream's frames for that step
};

} // namespace platform::sound
