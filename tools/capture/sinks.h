// SPDX-License-Identifier: MIT
// Where captured frames go: numbered PNG files in a folder, or a video made
// by ffmpeg with the soundtrack; and the progress bar of a terminal.
#pragma once
#include "capture.h"
#include "image.h"

#include "platform/child_process.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace capture {

// "frame-000123.png" for frame 123.
std::string FrameFileName(int64_t index);

// Frames handed from the renderer to worker threads through a bounded queue,
// so that rendering goes on while earlier frames are compressed or piped. A
// full queue makes the renderer wait: memory stays bounded.
class FrameQueue {
public:
  // `work` runs on `threads` threads, once per frame, in no set order unless
  // there is one thread; it returns "" or why it failed.
  FrameQueue(int threads, size_t capacity, std::function<std::string(int64_t, std::vector<uint8_t> &)> work);
  ~FrameQueue();
  // Queues a frame (its buffer is taken and swapped for a spare one); false
  // once any work has failed.
  bool Push(int64_t index, std::vector<uint8_t> *frame);
  // Waits for the queued work to finish and ends the threads; "" or the first failure.
  std::string Finish();

private:
  void Work();

  std::function<std::string(int64_t, std::vector<uint8_t> &)> work;
  size_t capacity;
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::pair<int64_t, std::vector<uint8_t>>> queue;
  std::vector<std::vector<uint8_t>> spares;
  std::vector<std::thread> threads;
  std::string failure;
  bool closing = false;
};

// Writes frame-NNNNNN.png files (8-bit RGB, top row first) into `folder`,
// which must exist and be writable, compressing on one thread per core.
class PngFolderSink : public FrameSink {
public:
  // zlib level 0-9: 1 makes files about a tenth larger than 9, many times quicker.
  explicit PngFolderSink(std::string folder, int compressionLevel = 1);
  bool Frame(int64_t index, const uint8_t *rgba, int width, int height, bool swapped) override;
  // Waits until every frame is written; false when one could not be.
  bool Finish();
  std::string Error() const override { return error; }

private:
  std::string folder;
  int compressionLevel;
  int width = 0, height = 0;
  std::string error;
  std::vector<uint8_t> frame;
  std::unique_ptr<FrameQueue> queue;
};

// The containers a video can be written in, by the output's file name.
bool IsVideoName(const std::string &path);

// How ffmpeg encodes: the H.264 preset (.mp4, .mkv) and the constant rate
// factor (-1: 18 for H.264, 30 for VP9).
struct Encoding {
  std::string preset = "medium";
  int crf = -1;
};
// The H.264 presets, fastest first.
extern const char *const kPresets[];

// Pipes frames as raw RGB into ffmpeg, which encodes them (H.264 and AAC for
// .mp4 and .mkv, VP9 and Opus for .webm) and muxes in the soundtrack from
// `soundtrackPath` (skipped when empty), cut to the frames' time span. The
// pipe is fed from a thread of its own, so the renderer does not wait while
// ffmpeg works through a frame.
class VideoSink : public FrameSink {
public:
  VideoSink(std::string ffmpeg, std::string output, std::string soundtrackPath, const Options &options,
            int64_t firstFrame, int64_t lastFrame, Encoding encoding = Encoding());
  ~VideoSink() override;
  // Starts ffmpeg; false (with Error) when it cannot be started.
  bool Start();
  bool Frame(int64_t index, const uint8_t *rgba, int width, int height, bool swapped) override;
  // Closes the pipe and waits for ffmpeg; false when it failed.
  bool Finish();
  std::string Error() const override { return error; }

private:
  std::string ffmpeg, output, soundtrack;
  Options options;
  int64_t firstFrame, lastFrame;
  Encoding encoding;
  platform::ChildProcess process; // ffmpeg, fed through its standard input
  bool started = false;
  std::string error;
  std::vector<uint8_t> rgb;
  std::unique_ptr<FrameQueue> queue; // feeds the pipe
};

// A one-line bar on a terminal: frames done, rate and time left. Draws
// nothing unless `stream` is a terminal.
class ProgressBar : public Progress {
public:
  explicit ProgressBar(FILE *stream);
  ~ProgressBar() override;
  void Rendered(int64_t index, int64_t lastIndex) override;
  void Close(); // ends the line

private:
  FILE *stream;
  bool terminal;
  bool drawn = false;
  double startSeconds;
  double lastDrawSeconds = -1;
};

} // namespace capture
