// SPDX-License-Identifier: MIT
// Proves the capture's clock: the show draws frame i with the counter at
// exactly i * 10^7 / fps ticks (also where 10^7 is no multiple of the rate),
// frames are handed out in order, one per rendered pass, and the last frame
// is the first whose time rounds to the show's 128 s.
#include "capture.h"

#include "platform/kernel.h"

#include <gtest/gtest.h>

namespace {

// Reads the show's counter whenever the capture reports a finished frame:
// it still stands where the show read it for that frame.
class ClockReader : public capture::Progress {
public:
  void Rendered(int64_t index, int64_t) override {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    indices.push_back(index);
    ticks.push_back(now.QuadPart);
  }
  std::vector<int64_t> indices, ticks;
};

class Discard : public capture::FrameSink {
public:
  bool Frame(int64_t index, const uint8_t *, int, int, bool) override {
    written.push_back(index);
    return true;
  }
  std::vector<int64_t> written;
};

} // namespace

TEST(CaptureClock, TheLastFrameIsTheFirstThatRoundsTo128Seconds) {
  for (int fps = 1; fps <= 240; ++fps) {
    const int64_t last = capture::LastShowFrame(fps, 128);
    EXPECT_GE(capture::FrameTick(last, fps), 1275000000) << fps << " fps";
    EXPECT_LT(capture::FrameTick(last - 1, fps), 1275000000) << fps << " fps";
  }
  EXPECT_EQ(capture::LastShowFrame(60, 128), 7650);
  EXPECT_EQ(capture::FrameMs(7650, 60), 127500);
  EXPECT_EQ(capture::FrameMs(1, 60), 17); // 16.67 ms to the nearest
}

TEST(CaptureClock, EachFrameIsDrawnAtItsExactTick) {
  // Rendered and written at 7 fps: a frame lasts 1428571.43 ticks.
  capture::Options options;
  options.fps = 7;
  options.renderFps = 7;
  options.width = 64;
  options.height = 48;
  options.fromMs = 1000;
  options.toMs = 3000;
  Discard sink;
  ClockReader clock;
  const capture::Result result = capture::Run(options, &sink, &clock);
  ASSERT_TRUE(result.ok) << result.error;
  // Frames 7 to 21 (1000 to 3000 ms) are written; all from 0 are drawn.
  ASSERT_EQ(clock.indices.size(), 22u);
  for (size_t i = 0; i < clock.indices.size(); ++i) {
    EXPECT_EQ(clock.indices[i], int64_t(i));
    EXPECT_EQ(clock.ticks[i], int64_t(i) * 10000000 / 7) << "frame " << i;
  }
  std::vector<int64_t> expected;
  for (int64_t i = 7; i <= 21; ++i)
    expected.push_back(i);
  EXPECT_EQ(sink.written, expected);
  EXPECT_EQ(result.rendered, 22);
  EXPECT_EQ(result.passesWithoutSwap, 0) << "every frame of the show swaps";
}
