// SPDX-License-Identifier: MIT
// Hooks for tests and tools (capture, benchmarks), which every back end
// provides. The show itself never calls these; with no hook set the layer
// behaves as documented in its headers. The hooks of the Linux back end alone
// are in platform/tap_linux.h.
#pragma once
#include "platform/win32_types.h"

#include <cstdint>

// ---- clock ------------------------------------------------------------------
// Replaces the source of QueryPerformanceCounter (ticks at 10 MHz). NULL
// restores the monotonic clock.
typedef int64_t (*PlatformCounterSource)(void *user);
void PlatformSetCounterSource(PlatformCounterSource source, void *user);

// Called by PeekMessageA each time it finds no message to return, right before
// it returns FALSE. In the show's loop that is right before a frame is
// rendered, so a tool can set its counter source to the next frame's exact
// tick there (and knows that the frame before is finished). Runs on the
// program's thread; it may post messages, which the next PeekMessageA takes.
// NULL removes it.
typedef void (*PlatformIdleHook)(void *user);
void PlatformSetIdleHook(PlatformIdleHook hook, void *user);

// ---- frames -----------------------------------------------------------------
// Called by SwapBuffers with the finished back buffer before the swap: RGBA,
// `width` * `height` * 4 bytes, bottom row first (as glReadPixels gives it).
typedef void (*PlatformFrameTap)(void *user, const uint8_t *rgba, int width, int height);
void PlatformSetFrameTap(PlatformFrameTap tap, void *user);

// Swap interval for contexts made from now on: -1 (default) asks for vsync,
// 0 turns it off and SwapBuffers never waits, not even for the frame pacing
// below (benchmarks, capture).
void PlatformSetSwapInterval(int interval);

// ---- frame pacing -----------------------------------------------------------
// The show's animation advances once per frame and was made for 60 frames a
// second. SwapBuffers therefore presents frames no faster than
// `framesPerSecond` (60 unless set; 0 paces nothing, the display and driver
// alone set the rate). Slots lie on a fixed grid from the first swap: a frame
// ready early waits for its slot (a sleep, then a short spin); one late by
// less than half a slot goes at once and keeps it; one later than that skips
// to the next slot after it, so late frames are never made up with a burst
// and nothing drifts. Vsync is still asked for, and where the driver honours
// it the swap may wait further for the display. Setting a rate starts a new grid.
void PlatformSetFrameRate(int framesPerSecond);
int PlatformGetFrameRate(void);
// Replaces the pacing's clock (nanoseconds) and its wait (returns at or after
// `until` in that clock's time), for tests. NULLs restore the monotonic clock.
typedef int64_t (*PlatformPacingNow)(void *user);
typedef void (*PlatformPacingWait)(void *user, int64_t until);
void PlatformSetPacingClock(PlatformPacingNow now, PlatformPacingWait wait, void *user);

// ---- signals ----------------------------------------------------------------
// The latest stop signal that closed the program's window, or 0: a tool
// tells an interrupted run from a window the viewer closed. Linux: SIGINT,
// SIGTERM, SIGHUP and every other signal whose default ends the process,
// crashes aside; Windows: Ctrl+C (SIGINT) and Ctrl+Break (SIGBREAK) at the
// console.
int PlatformStopSignal(void);

// ---- failures ---------------------------------------------------------------
// Why the latest window, OpenGL pixel format or context the program asked
// for could not be made, in one line with the library's or the system's
// reason; "" when none failed. Linux: what the layer also said on stderr;
// Windows: a window's (pixel formats and contexts are the system's own).
const char *PlatformLastDrawFailure(void);

// ---- sound ------------------------------------------------------------------
// Running counts of the FSOUND mixer, cleared by each FSOUND_Init. Safe to
// read from any thread while the mixer runs.
struct PlatformSoundCounts {
  uint64_t buffers;        // device buffers (or pulls) the mixer has filled
  uint64_t starvedBuffers; // of those, buffers in which a playing stream's queue ran dry before its end
  uint64_t streamFrames;   // sample frames taken from streams, at the mixing rate
  uint64_t streamsEnded;   // streams that have played to their last frame
  int bufferFrames;        // sample frames in one device buffer; 0 where no device is open
};
PlatformSoundCounts PlatformGetSoundCounts(void);

// Offline mixing, for tools that render without a sound device (capture,
// benchmarks). Set before FSOUND_Init: while on, output types 1 to 3 open no
// device, and each PlatformSoundPull mixes `frames` 16-bit stereo frames at the
// mixing rate into `out`, waiting for a stream's decoder where a device would
// have starved. Pulls before FSOUND_Init or with no sound give silence.
void PlatformSetSoundPull(bool on);
void PlatformSoundPull(int16_t *out, int frames);

// The back end's own decoding of a whole MP3 block (libmpg123 on Linux, the
// system's codec on Windows), as streams decode it but without their queues,
// resampling or mixing: interleaved 16-bit samples
// (malloc'd, free them with free) and their count, rate and channels. False
// (and nothing allocated) for data that is not MPEG audio. With `samples`
// NULL only the count is kept: the decoder's cost alone, for benchmarks.
bool PlatformDecodeMp3(const void *data, size_t length, int16_t **samples, size_t *sampleCount, int *rate,
                       int *channels);
