// SPDX-License-Identifier: MIT
// The capture's drive of the show: the counter is moved to the next rendered
// frame's tick whenever the show's loop finds its queue empty (that is, right
// before it renders), and each pass's last swapped picture becomes that
// rendered frame, written as every output frame whose time falls in it.
#include "capture.h"

#include "app/demo.h"
#include "effects/show_timeline.h"
#include "platform/fsound.h"
#include "platform/tap.h"
#include "platform/windows.h"

#include <algorithm>
#include <cstring>

namespace capture {

int64_t FrameTick(int64_t index, int fps) {
  return index * kTicksPerSecond / fps;
}

int32_t FrameMs(int64_t index, int fps) {
  return int32_t((FrameTick(index, fps) * 1000 + kTicksPerSecond / 2) / kTicksPerSecond);
}

int64_t LastShowFrame(int fps, int lengthSeconds) {
  // Whole seconds are rounded to the nearest: the show ends half a second
  // before its length, at the first tick that rounds up to it.
  const int64_t endTick = int64_t(lengthSeconds) * kTicksPerSecond - kTicksPerSecond / 2;
  return (endTick * fps + kTicksPerSecond - 1) / kTicksPerSecond;
}

int64_t SourceFrame(int64_t index, const Options &options) {
  return index * options.renderFps / options.fps;
}

namespace {
// The first written frame whose source is rendered frame `rendered`.
int64_t FirstWrittenOf(int64_t rendered, const Options &options) {
  return (rendered * options.fps + options.renderFps - 1) / options.renderFps;
}
} // namespace

bool WrittenFrames(const Options &options, int lengthSeconds, int64_t *first, int64_t *last) {
  // Frame i shows time i * 1000 / fps ms, compared exactly, not rounded.
  const int64_t fps = options.fps;
  *first = options.fromMs <= 0 ? 0 : (options.fromMs * fps + 999) / 1000;
  // The last frame whose source the show still renders.
  *last = FirstWrittenOf(LastShowFrame(options.renderFps, lengthSeconds) + 1, options) - 1;
  if (options.toMs < 0)
    return false;
  if (options.toMs < INT64_MAX / fps)
    *last = std::min(*last, options.toMs * fps / 1000);
  return *first <= *last;
}

namespace {

using show::kShowSeconds; // what WinMain gives the Demo

struct Session {
  Options options;
  FrameSink *sink = nullptr;
  Progress *progress = nullptr;
  int64_t firstWritten = 0; // frames [firstWritten, lastWritten] go to the sink
  int64_t lastWritten = 0;
  int64_t lastRendered = 0; // the source of lastWritten: rendering stops after it
  int64_t lastShown = 0;    // the show's own last rendered frame

  int64_t now = 0;              // the counter the show reads, in ticks
  int64_t nextFrame = 0;        // the rendered frame the next render pass draws
  bool framePending = false;    // a pass is drawing frame nextFrame - 1, not yet handed out
  bool swapped = false;         // that pass has swapped a buffer
  bool stopped = false;         // no more frames wanted (end reached or the sink failed)
  std::vector<uint8_t> picture; // the latest swapped buffer, bottom row first
  int pictureWidth = 0, pictureHeight = 0;
  std::vector<int16_t> sound; // one frame's worth of pulled sound

  Result result;
};
Session *session = nullptr; // the one capture under way; the hooks have no other way to it

int64_t ReadCounter(void *) {
  return session->now;
}

void OnSwap(void *, const uint8_t *rgba, int width, int height) {
  Session &s = *session;
  if (!s.framePending)
    return; // a pass after the capture stopped
  s.picture.assign(rgba, rgba + size_t(width) * size_t(height) * 4);
  s.pictureWidth = width;
  s.pictureHeight = height;
  s.swapped = true;
}

void Stop(Session &s, const std::string &error) {
  if (!error.empty() && s.result.error.empty())
    s.result.error = error;
  s.stopped = true;
  PostQuitMessage(0);
}

// Hands out the frame the last pass drew.
void FinishFrame(Session &s) {
  const int64_t index = s.nextFrame - 1;
  s.framePending = false;
  ++s.result.rendered;
  if (!s.swapped)
    ++s.result.passesWithoutSwap;
  if (s.picture.empty()) { // nothing swapped yet: the window shows black
    s.picture.assign(size_t(s.options.width) * size_t(s.options.height) * 4, 0);
    s.pictureWidth = s.options.width;
    s.pictureHeight = s.options.height;
  }
  if (s.pictureWidth != s.options.width || s.pictureHeight != s.options.height) {
    Stop(s, "the show's window is " + std::to_string(s.pictureWidth) + "x" + std::to_string(s.pictureHeight) +
                " instead of " + std::to_string(s.options.width) + "x" + std::to_string(s.options.height) +
                " (does it fit on the screen?)");
    return;
  }
  const Options &options = s.options;
  if (options.pullSound) {
    // What the device would have played from this frame's tick to the next.
    const int64_t from = index * options.mixRate / options.renderFps;
    const int64_t to = (index + 1) * options.mixRate / options.renderFps;
    s.sound.resize(size_t(to - from) * 2);
    PlatformSoundPull(s.sound.data(), int(to - from));
    if (index >= SourceFrame(s.firstWritten, options) && !s.sink->Sound(index, s.sound.data(), int(to - from))) {
      Stop(s, s.sink->Error());
      return;
    }
  }
  // Every written frame whose time falls within this rendered frame's.
  const int64_t from = std::max(s.firstWritten, FirstWrittenOf(index, options));
  const int64_t to = std::min(s.lastWritten, FirstWrittenOf(index + 1, options) - 1);
  for (int64_t written = from; written <= to; ++written) {
    if (!s.sink->Frame(written, s.picture.data(), s.pictureWidth, s.pictureHeight, s.swapped)) {
      Stop(s, s.sink->Error());
      return;
    }
    ++s.result.written;
  }
  if (s.progress != nullptr)
    s.progress->Rendered(index, std::min(s.lastRendered, s.lastShown));
  if (index >= s.lastRendered)
    Stop(s, std::string());
}

// The queue is empty and the show is about to render: the frame before is
// complete, and the counter moves on to the next frame's tick.
void OnIdle(void *) {
  Session &s = *session;
  if (s.stopped)
    return;
  if (s.framePending)
    FinishFrame(s);
  if (s.stopped)
    return; // the pass that follows draws at the old time, unseen
  s.now = FrameTick(s.nextFrame, s.options.renderFps);
  ++s.nextFrame;
  s.framePending = true;
  s.swapped = false;
}

} // namespace

Result Run(const Options &options, FrameSink *sink, Progress *progress) {
  Session s;
  s.options = options;
  s.sink = sink;
  s.progress = progress;
  if (options.fps < 1 || options.renderFps < 1 || options.width < 1 || options.height < 1 || sink == nullptr) {
    s.result.error = "invalid capture options";
    return s.result;
  }
  if (!WrittenFrames(options, kShowSeconds, &s.firstWritten, &s.lastWritten)) {
    s.result.error = "no frame of the show lies in the chosen time range";
    return s.result;
  }
  s.lastRendered = SourceFrame(s.lastWritten, options);
  s.lastShown = LastShowFrame(options.renderFps, kShowSeconds);
  session = &s;

  PlatformSetCounterSource(ReadCounter, nullptr);
  PlatformSetSwapInterval(0); // never wait for a display refresh
  PlatformSetSoundPull(options.pullSound);
  HWND window = nullptr;
  {
    Demo demo(nullptr, kShowSeconds);
    const VideoMode mode = {uint32_t(options.width), uint32_t(options.height), 32, 60};
    // Output type 0 plays nothing; with the pull, type 2 mixes offline and
    // opens no device either.
    const SoundSetup sound = {0, options.pullSound ? FSOUND_OUTPUT_DSOUND : FSOUND_OUTPUT_NOSOUND, options.mixRate};
    if (options.beforeSetup)
      options.beforeSetup();
    demo.Setup(mode, sound, false);
    window = demo.mainWindow.handle;
    const std::string failure = PlatformLastDrawFailure();
    if (window == nullptr) {
      s.result.error = "the show's window could not be made" + (failure.empty() ? "" : ": " + failure);
    } else {
      PlatformSetFrameTap(OnSwap, nullptr);
      PlatformSetIdleHook(OnIdle, nullptr);
      demo.Run();
      PlatformSetIdleHook(nullptr, nullptr);
      if (s.framePending && !s.stopped)
        FinishFrame(s); // the show's last frame: the loop ended right after it
      if (!s.stopped && s.result.error.empty())
        s.result.error = "the show was ended before its last frame (its window was closed)";
      if (s.result.error.empty() && s.result.rendered > 0 && s.result.passesWithoutSwap == s.result.rendered)
        s.result.error =
            "the show drew nothing (" + (failure.empty() ? std::string("no OpenGL on this display?") : failure) + ")";
      PlatformSetFrameTap(nullptr, nullptr);
    }
  }
  // The Demo leaves its window to the end of the process; this one goes now,
  // without its (destroyed) object behind the window procedure.
  if (window != nullptr && IsWindow(window)) {
    SetWindowLongA(window, GWL_USERDATA, 0);
    DestroyWindow(window);
  }
  // What the run left queued (its own WM_QUIT among it); a paint stays due
  // until default processing validates the window.
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message == WM_PAINT)
      DefWindowProcA(message.hwnd, WM_PAINT, 0, 0);
  PlatformSetSoundPull(false);
  PlatformSetSwapInterval(-1);
  PlatformSetCounterSource(nullptr, nullptr);
  session = nullptr;

  s.result.ok = s.result.error.empty() && s.result.written > 0;
  if (s.result.error.empty() && s.result.written == 0)
    s.result.error = "the show ended before the first frame to write";
  return s.result;
}

} // namespace capture
