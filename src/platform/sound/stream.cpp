// The decoder thread of a stream: libmpg123 to the resampler to the queue,
// waiting while the queue is full.
#include "stream.h"

#include "resampler.h"

#include <mpg123.h>

#include <chrono>
#include <vector>

namespace {
// Seconds of sound the queue holds ahead of the mixer (rounded up to a power
// of two frames): what the decoder may fall behind before the device starves.
constexpr double kQueueSeconds = 0.5;
// Bytes asked of libmpg123 per read: a few MP3 frames.
constexpr size_t kDecodeBytes = 16384;
// Frames moved from the resampler to the queue per step.
constexpr size_t kChunkFrames = 4096;
// How often a decoder with a full queue looks again: the audio thread never
// signals it, so it polls, well within the queue's length.
constexpr auto kRefillPeriod = std::chrono::milliseconds(5);
} // namespace

FSOUND_STREAM::FSOUND_STREAM(size_t queueFrames, bool loop_) : queue(queueFrames), loop(loop_) {}

FSOUND_STREAM *FSOUND_STREAM::Open(const char *nameOrData, bool inMemory, size_t length, int mixRate, bool loop,
                                   int *error) {
  std::unique_ptr<FSOUND_STREAM> stream(new FSOUND_STREAM(size_t(mixRate * kQueueSeconds), loop));
  stream->mixRate = mixRate;
  platform::sound::MemoryCursor *cursor = nullptr;
  if (inMemory) {
    stream->cursor = {reinterpret_cast<const unsigned char *>(nameOrData), length, 0};
    cursor = &stream->cursor;
  }
  if (!platform::sound::OpenMpegSource(cursor, inMemory ? nullptr : nameOrData, &stream->source, error))
    return nullptr;
  stream->resampler.reset(new platform::sound::Resampler(int(stream->source.rate), stream->source.channels, mixRate));
  stream->thread = std::thread(&FSOUND_STREAM::Decode, stream.get());
  std::unique_lock<std::mutex> hold(stream->lock);
  stream->wake.wait(hold, [&] { return stream->primed; });
  return stream.release();
}

FSOUND_STREAM::~FSOUND_STREAM() {
  stopping.store(true);
  Notify();
  if (thread.joinable())
    thread.join();
  platform::sound::CloseMpegSource(&source);
}

void FSOUND_STREAM::Notify() {
  // Taking the lock orders this wake-up after a waiter's check of its condition.
  { std::lock_guard<std::mutex> hold(lock); }
  wake.notify_all();
}

void FSOUND_STREAM::WaitForFrames(size_t frames) {
  std::unique_lock<std::mutex> hold(lock);
  wake.wait(hold, [&] { return queue.Readable() >= frames || decoded.load() || stopping.load(); });
}

void FSOUND_STREAM::WakeDecoder() {
  Notify();
}

void FSOUND_STREAM::Decode() {
  std::vector<int16_t> pcm(kDecodeBytes / sizeof(int16_t));
  std::vector<int16_t> ready(kChunkFrames * 2);
  size_t readyFrames = 0;     // frames in `ready`
  size_t readyDone = 0;       // of those, frames already in the queue
  long nextRate = 0;          // a format change waits for the old resampler to run out (0: none)
  int nextChannels = 0;       // channels of that format
  bool soundSinceTop = false; // the track gave samples since it (re)started: looping makes sense
  bool ended = false;         // the decoder gave its last frame and the resampler was told
  while (!stopping.load()) {
    if (readyDone < readyFrames) {
      readyDone += queue.Write(&ready[readyDone * 2], readyFrames - readyDone);
      Notify();
      if (readyDone == readyFrames)
        continue;
      // The queue is full: the track is ready to start; wait for room.
      std::unique_lock<std::mutex> hold(lock);
      if (!primed) {
        primed = true;
        wake.notify_all();
      }
      const size_t wanted = std::min(queue.Capacity() / 4, readyFrames - readyDone);
      while (!stopping.load() && queue.Writable() < wanted)
        wake.wait_for(hold, kRefillPeriod);
      continue;
    }
    readyFrames = resampler->Take(ready.data(), kChunkFrames);
    readyDone = 0;
    if (readyFrames > 0)
      continue;
    if (nextRate != 0) {
      resampler.reset(new platform::sound::Resampler(int(nextRate), nextChannels, mixRate));
      nextRate = 0;
    }
    if (ended)
      break;

    size_t bytes = 0;
    const int code = mpg123_read(source.decoder, pcm.data(), kDecodeBytes, &bytes);
    // Samples that came with the call are in the format known before it.
    const int channels = resampler->InputChannels();
    if (bytes >= sizeof(int16_t) * channels) {
      resampler->Put(pcm.data(), bytes / (sizeof(int16_t) * channels));
      soundSinceTop = true;
    }
    if (code == MPG123_OK)
      continue;
    if (code == MPG123_NEW_FORMAT) {
      long rate = 0;
      int newChannels = 0;
      int encoding = 0;
      if (mpg123_getformat(source.decoder, &rate, &newChannels, &encoding) == MPG123_OK && rate > 0 &&
          (newChannels == 1 || newChannels == 2) && (rate != resampler->InputRate() || newChannels != channels)) {
        resampler->Finish();
        nextRate = rate;
        nextChannels = newChannels;
      }
      continue;
    }
    // The end of the track, or data that no longer decodes: either way the end.
    if (loop && soundSinceTop && code == MPG123_DONE && mpg123_seek(source.decoder, 0, SEEK_SET) >= 0) {
      soundSinceTop = false;
      continue;
    }
    resampler->Finish();
    ended = true;
  }
  decoded.store(true, std::memory_order_release);
  std::lock_guard<std::mutex> hold(lock);
  primed = true;
  wake.notify_all();
}
