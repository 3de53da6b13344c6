// SPDX-License-Identifier: MIT
// Hooks for tests and tools that only the Linux back end provides: it
// stands in for what Windows itself does (message boxes, display modes,
// dialogs, the screen saver), so a test can see and steer it. On Windows
// those are the system's own.
#pragma once
#ifdef _WIN32
#error "These hooks are the Linux back end's: Windows has its own USER and GDI"
#endif
#include "platform/tap.h"
#include "platform/win32_types.h"

#include <cstdint>

// ---- calls ------------------------------------------------------------------
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
