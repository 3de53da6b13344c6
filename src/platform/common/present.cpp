// SPDX-License-Identifier: MIT
// Frame pacing and the frame tap, the same for every back end.
#include "common/present.h"

#include "common/clock.h"
#include "common/frame_pacer.h"
#include "platform/tap.h"

// clang-format off
#include "platform/win32_types.h" // before GL: on Windows its header needs the calling conventions
#include <GL/gl.h>
// clang-format on

#include <cstdint>
#include <vector>

namespace platform {
namespace {

PlatformFrameTap frameTap = nullptr; // sees each finished back buffer
void *frameTapUser = nullptr;
std::vector<uint8_t> framePixels; // the tap's buffer, reused between frames
int swapInterval = -1;            // PlatformSetSwapInterval: -1 the back end's choice, else as given

// Frames are presented no faster than the show was made for (see tap.h).
FramePacer pacer(60);
PlatformPacingNow pacingNow = nullptr;
PlatformPacingWait pacingWait = nullptr;
void *pacingUser = nullptr;

// Sleeps to within a millisecond of `until`, then spins the rest: a sleep
// alone may wake a scheduler tick late, which shows as an uneven frame.
void WaitUntil(int64_t until) {
  constexpr int64_t kSpin = 1000000;
  if (until - MonotonicNanoseconds() > kSpin)
    SleepUntil(until - kSpin);
  while (MonotonicNanoseconds() < until) {
  }
}

void Pace() {
  if (swapInterval == 0 || pacer.Rate() == 0)
    return; // "never wait": benchmarks and capture
  const int64_t now = pacingNow != nullptr ? pacingNow(pacingUser) : MonotonicNanoseconds();
  const int64_t until = pacer.Present(now);
  if (until <= now)
    return;
  if (pacingWait != nullptr)
    pacingWait(pacingUser, until);
  else
    WaitUntil(until);
}

// Hands the current context's finished back buffer to the tap, leaving the
// pixel pack state as the frame's code had it.
void TapFrame(int width, int height) {
  framePixels.resize(size_t(width) * size_t(height) * 4);
  GLint readBuffer = 0, alignment = 0, rowLength = 0, skipRows = 0, skipPixels = 0;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
  glGetIntegerv(GL_PACK_SKIP_ROWS, &skipRows);
  glGetIntegerv(GL_PACK_SKIP_PIXELS, &skipPixels);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, framePixels.data());
  glReadBuffer(GLenum(readBuffer));
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
  glPixelStorei(GL_PACK_SKIP_ROWS, skipRows);
  glPixelStorei(GL_PACK_SKIP_PIXELS, skipPixels);
  frameTap(frameTapUser, framePixels.data(), width, height);
}

} // namespace

void BeforePresent(int width, int height, bool tapReady) {
  if (frameTap != nullptr && tapReady && width > 0 && height > 0)
    TapFrame(width, height);
  Pace();
}

int RequestedSwapInterval() {
  return swapInterval;
}

} // namespace platform

void PlatformSetFrameTap(PlatformFrameTap tap, void *user) {
  platform::frameTap = tap;
  platform::frameTapUser = user;
  if (tap == nullptr)
    std::vector<uint8_t>().swap(platform::framePixels);
}

void PlatformSetSwapInterval(int interval) {
  platform::swapInterval = interval;
}

void PlatformSetFrameRate(int framesPerSecond) {
  platform::pacer.SetRate(framesPerSecond);
}

int PlatformGetFrameRate(void) {
  return platform::pacer.Rate();
}

void PlatformSetPacingClock(PlatformPacingNow now, PlatformPacingWait wait, void *user) {
  platform::pacingNow = now;
  platform::pacingWait = wait;
  platform::pacingUser = user;
  platform::pacer.SetRate(platform::pacer.Rate()); // a new clock starts a new grid
}
