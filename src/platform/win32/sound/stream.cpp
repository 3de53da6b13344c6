// The decoder thread of a stream: the codec to the resampler to the queue,
// waiting while the queue is full.
#include "stream.h"

#include "resampler.h"

#include <chrono>
#include <cstdio>

namespace {
// Seconds of sound the queue holds ahead of the mixer: what the decoder may
// fall behind before the device starves.
constexpr double kQueueSeconds = 0.5;
// Frames moved from the resampler to the queue per step.
constexpr size_t kChunkFrames = 4096;
// How often a decoder with a full queue looks again: the mixer never signals
// it, so it polls, well within the queue's length.
constexpr auto kRefillPeriod = std::chrono::milliseconds(5);

bool ReadWholeFile(const char *path, std::vector<unsigned char> *bytes) {
  std::FILE *file = std::fopen(path, "rb");
  if (file == nullptr)
    return false;
  unsigned char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes->insert(bytes->end(), buffer, buffer + got);
  std::fclose(file);
  return true;
}
} // namespace

FSOUND_STREAM::FSOUND_STREAM(size_t queueFrames, bool loop_) : queue(queueFrames), loop(loop_) {}

FSOUND_STREAM *FSOUND_STREAM::Open(const char *nameOrData, bool inMemory, size_t length, int mixRate, bool loop,
                                   int *error) {
  std::unique_ptr<FSOUND_STREAM> stream(new FSOUND_STREAM(size_t(mixRate * kQueueSeconds), loop));
  const unsigned char *data = reinterpret_cast<const unsigned char *>(nameOrData);
  if (!inMemory) {
    if (!ReadWholeFile(nameOrData, &stream->file)) {
      *error = FSOUND_ERR_FILE_NOTFOUND;
      return nullptr;
    }
    data = stream->file.data();
    length = stream->file.size();
  }
  if (length == 0 || !stream->decoder.Open(data, length, error)) {
    *error = FSOUND_ERR_FILE_FORMAT;
    return nullptr;
  }
  stream->resampler.reset(new platform::sound::Resampler(stream->decoder.Rate(), stream->decoder.Channels(), mixRate));
  stream->thread = std::thread(&FSOUND_STREAM::Decode, stream.get());
  std::unique_lock<std::mutex> hold(stream->lock);
  stream->wake.wait(hold, [&] { return stream->primed; });
  return stream.release();
}

FSOUND_STREAM::~FSOUND_STREAM() {
  {
    std::lock_guard<std::mutex> hold(lock);
    stopping.store(true);
  }
  wake.notify_all();
  if (thread.joinable())
    thread.join();
}

void FSOUND_STREAM::Decode() {
  std::vector<int16_t> pcm;
  std::vector<int16_t> ready(kChunkFrames * 2);
  size_t readyFrames = 0;     // frames in `ready`
  size_t readyDone = 0;       // of those, frames already in the queue
  bool soundSinceTop = false; // the track gave samples since it (re)started: looping makes sense
  bool ended = false;         // the codec gave its last samples and the resampler was told
  const size_t channels = size_t(decoder.Channels());
  while (!stopping.load()) {
    if (readyDone < readyFrames) {
      readyDone += queue.Write(&ready[readyDone * 2], readyFrames - readyDone);
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
    if (readyFrames > 0 || ended) {
      if (ended && readyFrames == 0)
        break;
      continue;
    }
    pcm.clear();
    const bool more = decoder.Decode(&pcm);
    if (pcm.size() >= channels) {
      resampler->Put(pcm.data(), pcm.size() / channels);
      soundSinceTop = true;
    }
    if (more)
      continue;
    if (loop && soundSinceTop) {
      decoder.Rewind();
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
