// SPDX-License-Identifier: MIT
// One open FSOUND stream: an MP3 that the back end's decoder decodes on a
// thread of the stream's own (or, where the back end has no threads, on the
// program's thread as the mixer asks), resampled to the mixing rate and
// queued for the mixer.
#pragma once
#include "common/sound/backend.h"
#include "common/sound/frame_ring.h"
#include "platform/fsound.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::sound {
class Resampler;
}

struct FSOUND_STREAM {
  // Opens and checks the data on the calling thread (a path is read whole
  // first), starts the decoder and returns once the queue is full or the
  // whole track is in it. NULL with *error set (an FSOUND error code).
  static FSOUND_STREAM *Open(const char *nameOrData, bool inMemory, size_t length, int mixRate, bool loop, int *error);
  // Stops and joins the decoder: the data is not read once this returns.
  ~FSOUND_STREAM();
  FSOUND_STREAM(const FSOUND_STREAM &) = delete;
  FSOUND_STREAM &operator=(const FSOUND_STREAM &) = delete;

  // For offline mixing only (never on a device's thread): waits until
  // `frames` frames are queued or the decoder has queued its last one...
  void WaitForFrames(size_t frames);
  // ...and tells the decoder that frames were taken.
  void WakeDecoder();
  // Without a decoder thread, the mixer decodes what it lacks itself: this
  // is true, and WaitForFrames decodes instead of waiting.
  bool DecodesOnDemand() const { return !thread.joinable(); }

  platform::sound::FrameRing queue; // decoded frames at the mixing rate; the mixer reads them
  std::atomic<bool> decoded{false}; // set after the last frame was written to `queue`
  int channel = -1;                 // mixer channel while playing; changed only with the mixer locked
  bool started = false;             // FSOUND_Stream_Play took it once (program thread only)

private:
  FSOUND_STREAM(size_t queueFrames, bool loop);
  enum class Step {
    kQueued,  // resampled frames went into the queue, all there were
    kFull,    // some or none went in: the queue is full
    kWorked,  // the decoder or the resampler moved on
    kFinished // the last frame is in the queue
  };
  Step Pump();   // one step from the decoder to the queue, on whichever thread decodes
  void Decode(); // the decoder thread's body
  void Notify(); // wakes whoever waits on `wake`, without losing the wake-up

  std::vector<unsigned char> file;                       // the track read from a path (memory streams: empty)
  std::unique_ptr<platform::sound::Decoder> decoder;     // over the caller's block or `file`
  std::unique_ptr<platform::sound::Resampler> resampler; // track rate to mixing rate
  int mixRate = 0;                                       // Hz of the frames in `queue`
  bool loop = false;                                     // start again at the end of the track

  // Pump's state, kept by whichever thread decodes.
  std::vector<int16_t> pcm;   // the decoder's latest samples
  std::vector<int16_t> ready; // resampled frames on their way to the queue
  size_t readyFrames = 0;     // frames in `ready`
  size_t readyDone = 0;       // of those, frames already in the queue
  bool newFormat = false;     // a format change waits for the old resampler to run out
  bool soundSinceTop = false; // the track gave samples since it (re)started: looping makes sense
  bool ended = false;         // the decoder gave its last frame and the resampler was told

  std::mutex lock;                   // guards the waits below, not the queue
  std::condition_variable wake;      // queue filled, queue drained, stop asked
  std::atomic<bool> stopping{false}; // the destructor asks the decoder to end
  bool primed = false;               // the queue was full once, or the track ended (under `lock`)
  std::thread thread;                // runs Decode
};
