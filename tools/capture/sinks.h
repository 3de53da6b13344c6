// Where captured frames go: numbered PNG files in a folder, or a video made
// by ffmpeg with the soundtrack; and the progress bar of a terminal.
#pragma once
#include "capture.h"
#include "image.h"

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

namespace capture {

// "frame-000123.png" for frame 123.
std::string FrameFileName(int64_t index);

// Writes frame-NNNNNN.png files (8-bit RGB, top row first) into `folder`,
// which must exist and be writable.
class PngFolderSink : public FrameSink {
public:
  explicit PngFolderSink(std::string folder, int compressionLevel = 3);
  bool Frame(int64_t index, const uint8_t *rgba, int width, int height, bool swapped) override;
  std::string Error() const override { return error; }

private:
  std::string folder;
  int compressionLevel; // zlib level 0-9: 3 is several times quicker than 9 for a few % more
  std::string error;
  media::Image image; // one frame, top row first, RGB
};

// The containers a video can be written in, by the output's file name.
bool IsVideoName(const std::string &path);

// Full path of `program` found on PATH, or "" when there is none.
std::string FindOnPath(const std::string &program);

// Pipes frames as raw RGB into ffmpeg, which encodes them (H.264 and AAC for
// .mp4 and .mkv, VP9 and Opus for .webm) and muxes in the soundtrack from
// `soundtrackPath` (skipped when empty), cut to the frames' time span.
class VideoSink : public FrameSink {
public:
  VideoSink(std::string ffmpeg, std::string output, std::string soundtrackPath, const Options &options,
            int64_t firstFrame, int64_t lastFrame);
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
  pid_t child = -1;
  int pipe = -1; // write end of ffmpeg's standard input
  std::string error;
  std::vector<uint8_t> rgb;
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
