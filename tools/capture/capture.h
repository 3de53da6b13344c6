// SPDX-License-Identifier: MIT
// Renders the show frame by frame at a fixed rate: the real Demo, driven by a
// counter that stands exactly on each frame's tick, its swaps read back.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace capture {

// The show's counter runs at 10 MHz; frame i of a capture at `fps` is the
// frame the show draws with the counter at exactly FrameTick(i, fps).
constexpr int64_t kTicksPerSecond = 10000000;
int64_t FrameTick(int64_t index, int fps);
// Show time in ms that the effects are given for frame `index` (the counter
// tick rounded to the nearest millisecond, as the show's clock rounds it).
int32_t FrameMs(int64_t index, int fps);
// Index of the last frame the show draws: the first whose time, rounded to
// whole seconds, reaches `lengthSeconds` (the show ends after drawing it).
int64_t LastShowFrame(int fps, int lengthSeconds);

struct Options {
  int fps = 60;       // frames written per show second
  int renderFps = 60; // frames the show renders per show second: the rate zarvox is paced to
  int width = 640;
  int height = 480;
  int64_t fromMs = 0;                // first show time written (inclusive)
  int64_t toMs = INT64_MAX;          // last show time written (inclusive)
  bool pullSound = false;            // mix the soundtrack offline and hand it to the sink
  int mixRate = 44100;               // for pullSound
  std::function<void()> beforeSetup; // called with the Demo built, right before its Setup (benchmarks)
};

// The show renders on a grid of `renderFps` frames a second, its animation
// advancing once per rendered frame, as it does when zarvox plays it. Written
// frame i (at show time i / fps) is the latest rendered frame at or before
// that time: rendered frame SourceFrame(i). At 30 fps every second rendered
// frame is written, at 50 five in six, at 120 each twice; at `renderFps`
// each once.
int64_t SourceFrame(int64_t index, const Options &options);

// First and last frame index written for `options`; false when no frame of
// the show falls in [fromMs, toMs].
bool WrittenFrames(const Options &options, int lengthSeconds, int64_t *first, int64_t *last);

// Receives the written frames in order. Returning false stops the capture;
// the sink keeps its own reason for `Error`.
class FrameSink {
public:
  virtual ~FrameSink() = default;
  // rgba: width * height * 4 bytes, bottom row first (as OpenGL reads it).
  // `swapped` is false when the frame's pass swapped no buffer: the picture
  // is then the one the viewer would still see (black before any swap).
  virtual bool Frame(int64_t index, const uint8_t *rgba, int width, int height, bool swapped) = 0;
  // With Options::pullSound: the 16-bit stereo the sound device would have
  // played during rendered frame `rendered` (from its tick to the next
  // rendered frame's), for each rendered frame from the first written
  // frame's source to the last's.
  virtual bool Sound(int64_t /*rendered*/, const int16_t * /*frames*/, int /*count*/) { return true; }
  virtual std::string Error() const { return std::string(); }
};

// Told after each rendered frame (written or not), for a progress display:
// rendered frame `index` of those up to `lastIndex`.
class Progress {
public:
  virtual ~Progress() = default;
  virtual void Rendered(int64_t index, int64_t lastIndex) = 0;
};

struct Result {
  bool ok = false;
  std::string error;             // why not, when !ok
  int64_t rendered = 0;          // frames the show drew from 0 on, at renderFps
  int64_t written = 0;           // frames handed to the sink
  int64_t passesWithoutSwap = 0; // rendered frames in which nothing was swapped
};

// Builds the Demo in the current directory (it opens "zarvox.dat" there),
// sets it up windowed at the options' size with no sound played, and runs it
// to the end of the show or past the last written frame. The display must be
// open. Leaves the platform's hooks as it found them (none set).
Result Run(const Options &options, FrameSink *sink, Progress *progress = nullptr);

} // namespace capture
