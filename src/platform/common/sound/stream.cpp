// SPDX-License-Identifier: MIT
// A stream's decoding: the back end's decoder to the resampler to the queue,
// on a thread of the stream's own that waits while the queue is full, or on
// the program's thread as the mixer asks.
#include "common/sound/stream.h"

#include "common/sound/resampler.h"
#include "platform/input_file.h"

#include <chrono>
#include <cstdio>

namespace {
// Seconds of sound the queue holds ahead of the mixer (rounded up to a power
// of two frames): what the decoder may fall behind before the device starves.
constexpr double kQueueSeconds = 0.5;
// Frames moved from the resampler to the queue per step.
constexpr size_t kChunkFrames = 4096;
// How often a decoder with a full queue looks again: a device's thread never
// signals it, so it polls, well within the queue's length.
constexpr auto kRefillPeriod = std::chrono::milliseconds(5);

// The whole file, if `path` names a regular file that reads (a FIFO or a
// device in its place is refused, not waited on).
bool ReadWholeFile(const char *path, std::vector<unsigned char> *bytes) {
  std::FILE *file = PlatformOpenRegularFileStream(path, nullptr);
  if (file == nullptr)
    return false;
  unsigned char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes->insert(bytes->end(), buffer, buffer + got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}
} // namespace

FSOUND_STREAM::FSOUND_STREAM(size_t queueFrames, bool loop_)
    : queue(queueFrames), loop(loop_), ready(kChunkFrames * 2) {}

FSOUND_STREAM *FSOUND_STREAM::Open(const char *nameOrData, bool inMemory, size_t length, int mixRate, bool loop,
                                   int *error) {
  std::unique_ptr<FSOUND_STREAM> stream(new FSOUND_STREAM(size_t(mixRate * kQueueSeconds), loop));
  stream->mixRate = mixRate;
  const unsigned char *data = reinterpret_cast<const unsigned char *>(nameOrData);
  if (!inMemory) {
    if (!ReadWholeFile(nameOrData, &stream->file)) {
      *error = FSOUND_ERR_FILE_NOTFOUND;
      return nullptr;
    }
    data = stream->file.data();
    length = stream->file.size();
  }
  if (length == 0) {
    *error = FSOUND_ERR_FILE_FORMAT;
    return nullptr;
  }
  stream->decoder = platform::sound::OpenDecoder(data, length, error);
  if (stream->decoder == nullptr)
    return nullptr;
  stream->resampler.reset(
      new platform::sound::Resampler(stream->decoder->Rate(), stream->decoder->Channels(), mixRate));
  if (!stream->decoder->OwnThread()) {
    // The queue filled here, as the thread would have before returning.
    stream->WaitForFrames(stream->queue.Capacity());
    return stream.release();
  }
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
}

void FSOUND_STREAM::Notify() {
  // Taking the lock orders this wake-up after a waiter's check of its condition.
  { std::lock_guard<std::mutex> hold(lock); }
  wake.notify_all();
}

void FSOUND_STREAM::WaitForFrames(size_t frames) {
  if (DecodesOnDemand()) {
    Step step = Step::kWorked;
    while (queue.Readable() < frames && !decoded.load() && step != Step::kFull)
      if ((step = Pump()) == Step::kFinished)
        decoded.store(true, std::memory_order_release);
    return;
  }
  std::unique_lock<std::mutex> hold(lock);
  wake.wait(hold, [&] { return queue.Readable() >= frames || decoded.load() || stopping.load(); });
}

void FSOUND_STREAM::WakeDecoder() {
  Notify();
}

FSOUND_STREAM::Step FSOUND_STREAM::Pump() {
  using platform::sound::DecodeStatus;
  if (readyDone < readyFrames) {
    readyDone += queue.Write(&ready[readyDone * 2], readyFrames - readyDone);
    return readyDone == readyFrames ? Step::kQueued : Step::kFull;
  }
  readyFrames = resampler->Take(ready.data(), kChunkFrames);
  readyDone = 0;
  if (readyFrames > 0)
    return Step::kWorked;
  if (newFormat) {
    resampler.reset(new platform::sound::Resampler(decoder->Rate(), decoder->Channels(), mixRate));
    newFormat = false;
  }
  if (ended)
    return Step::kFinished;

  pcm.clear();
  const DecodeStatus status = decoder->Decode(&pcm);
  // Samples that came with the call are in the format known before it.
  const size_t channels = size_t(resampler->InputChannels());
  if (pcm.size() >= channels) {
    resampler->Put(pcm.data(), pcm.size() / channels);
    soundSinceTop = true;
  }
  if (status == DecodeStatus::kMore)
    return Step::kWorked;
  if (status == DecodeStatus::kNewFormat) {
    if (decoder->Rate() != resampler->InputRate() || size_t(decoder->Channels()) != channels) {
      resampler->Finish();
      newFormat = true;
    }
    return Step::kWorked;
  }
  // The end of the track, or data that no longer decodes: either way the end.
  if (loop && soundSinceTop && status == DecodeStatus::kEnded && decoder->Rewind()) {
    soundSinceTop = false;
    return Step::kWorked;
  }
  resampler->Finish();
  ended = true;
  return Step::kWorked;
}

void FSOUND_STREAM::Decode() {
  while (!stopping.load()) {
    const Step step = Pump();
    if (step == Step::kFinished)
      break;
    if (step == Step::kWorked)
      continue;
    Notify();
    if (step == Step::kQueued)
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
  }
  decoded.store(true, std::memory_order_release);
  std::lock_guard<std::mutex> hold(lock);
  primed = true;
  wake.notify_all();
}
