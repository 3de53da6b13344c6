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

// ---- frames -----------------------------------------------------------------
// Called by SwapBuffers with the finished back buffer before the swap: RGBA,
// `width` * `height` * 4 bytes, bottom row first (as glReadPixels gives it).
typedef void (*PlatformFrameTap)(void *user, const uint8_t *rgba, int width, int height);
void PlatformSetFrameTap(PlatformFrameTap tap, void *user);

// Swap interval for contexts made from now on: -1 (default) asks for vsync,
// 0 turns it off (benchmarks, capture).
void PlatformSetSwapInterval(int interval);

// Counts of the WGL calls the effects make, for tests of "draws / does not draw".
struct PlatformCallCounts {
  uint64_t makeCurrent;
  uint64_t swapBuffers;
};
PlatformCallCounts PlatformGetCallCounts(void);

// ---- message boxes ----------------------------------------------------------
// Replaces every MessageBoxA: the hook gets the arguments and returns the
// answer. NULL restores real boxes.
typedef int (*PlatformMessageBoxHook)(void *user, HWND owner, const char *text, const char *caption, UINT type);
void PlatformSetMessageBoxHook(PlatformMessageBoxHook hook, void *user);

// ---- display modes ----------------------------------------------------------
// Replaces the modes SDL reports for the primary display, as seen by
// EnumDisplaySettingsA and ChangeDisplaySettingsA: `modes[0]` is the current
// mode, then the list in order. NULL restores SDL's list.
void PlatformSetDisplayModes(const DEVMODEA *modes, int count);

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
