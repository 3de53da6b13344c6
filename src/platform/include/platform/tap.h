// Hooks for tests and tools (capture, benchmarks). The show itself never calls
// these; with no hook set the layer behaves as documented in its headers.
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

// Counts of calls since the program started, for tests of "draws / does not
// draw" and "switches once": every wglMakeCurrent and SwapBuffers call, and
// every ChangeDisplaySettingsA call that changed the display (a switch to a
// mode, or a restore while a mode was held).
struct PlatformCallCounts {
  uint64_t makeCurrent;
  uint64_t swapBuffers;
  uint64_t displayChanges;
};
PlatformCallCounts PlatformGetCallCounts(void);

// ---- signals ----------------------------------------------------------------
// The latest stop signal (SIGINT, SIGTERM) that closed the program's window,
// or 0: a tool tells an interrupted run from a window the viewer closed.
int PlatformStopSignal(void);

// ---- screen saver -----------------------------------------------------------
// True while an active window keeps the screen saver and monitor power-down
// away (it swallowed WM_SYSCOMMAND SC_SCREENSAVE or SC_MONITORPOWER).
bool PlatformScreenSaverInhibited(void);

// ---- message boxes ----------------------------------------------------------
// Replaces every MessageBoxA: the hook gets the arguments and returns the
// answer. NULL restores real boxes.
typedef int (*PlatformMessageBoxHook)(void *user, HWND owner, const char *text, const char *caption, UINT type);
void PlatformSetMessageBoxHook(PlatformMessageBoxHook hook, void *user);

// ---- display modes ----------------------------------------------------------
// Replaces the modes SDL reports for the primary display, as seen by
// EnumDisplaySettingsA and ChangeDisplaySettingsA: `modes[0]` is the current
// (desktop) mode, then the list that EnumDisplaySettingsA numbers from 0 and
// ChangeDisplaySettingsA matches against. The list is copied. A switch then
// only pretends: ENUM_CURRENT_SETTINGS reports the chosen mode until the
// restore, and a full-screen window is a borderless window of the mode's size
// at 0, 0; the real screen is left alone. NULL (or count < 1) restores SDL's
// list and forgets a pretended switch.
void PlatformSetDisplayModes(const DEVMODEA *modes, int count);

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

// libmpg123's own decoding of a whole MP3 block, with the settings streams use
// but none of their queues, resampling or mixing: interleaved 16-bit samples
// (malloc'd, free them with free) and their count, rate and channels. False
// (and nothing allocated) for data that is not MPEG audio. With `samples`
// NULL only the count is kept: libmpg123's cost alone, for benchmarks.
bool PlatformDecodeMp3(const void *data, size_t length, int16_t **samples, size_t *sampleCount, int *rate,
                       int *channels);

// ---- dialogs ----------------------------------------------------------------
// Builds the dialog of a registered template with no screen, sends it
// WM_INITDIALOG and returns it, not yet ended. Its controls keep their state
// as with a screen, so a test drives the procedure with SendMessageA,
// SendDlgItemMessageA (BM_CLICK as the viewer's click) and
// PlatformDialogPressKey. NULL for an unknown template.
HWND PlatformCreateDialog(LPCSTR templateName, DLGPROC procedure, LPARAM initParam);
// TRUE once EndDialog or the dialog's destruction has ended it, with what
// DialogBoxParamA would return in *result (may be NULL).
BOOL PlatformDialogEnded(HWND dialog, INT_PTR *result);
// Destroys (if still needed) and frees a dialog of PlatformCreateDialog.
void PlatformDeleteDialog(HWND dialog);
// Called from DialogBoxParamA's modal loop whenever the dialog is on the
// screen and GTK has no event pending, until the dialog ends. NULL removes it.
typedef void (*PlatformDialogHook)(void *user, HWND dialog);
void PlatformSetDialogHook(PlatformDialogHook hook, void *user);
// Presses and releases VK_RETURN or VK_ESCAPE on the dialog as the keyboard
// would (through GTK's event path when it is on the screen). FALSE for other
// keys and for an ended dialog.
BOOL PlatformDialogPressKey(HWND dialog, UINT virtualKey);
