// SPDX-License-Identifier: MIT
// The setup dialog: the viewer picks a video mode, window or fullscreen, the
// sound device, output type and mixing rate; the choices go to demoSettings.
// Shown with DialogBoxParamA(instance, MAKEINTRESOURCE(IDD_SETUP), NULL,
// SetupDialog, 0): 1 from Start, 0 from Exit or when the dialog was closed.
#pragma once
#include "platform/windows.h"

#include <cstdint>
#include <vector>

// Resource ids of the dialog and its controls.
#define IDD_SETUP 102
#define IDC_VIDEO_MODES 101
#define IDC_START 1001
#define IDC_EXIT 1002
#define IDC_WINDOW 1003
#define IDC_FULLSCREEN 1004
#define IDC_SOUND_DEVICES 1017
#define IDC_OUTPUT_TYPES 1018
#define IDC_RATE_48K 1028
#define IDC_RATE_44K 1029
#define IDC_RATE_22K 1030
#define IDC_RATE_11K 1031

struct StandardSize {
  uint32_t width;
  uint32_t height;
};

// A display mode is offered when one of its sides is a side of these sizes.
extern const StandardSize standardSizes[7];

// The display modes behind the video-mode list: entry k of the list shows
// record k. Filled when the dialog opens; lives until the program exits.
extern std::vector<DEVMODEA> modeList;

// The dialog procedure: WM_INITDIALOG opens, WM_COMMAND acts, everything else
// goes to DefWindowProcA.
INT_PTR CALLBACK SetupDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Lists the primary display's modes into modeList, keeps those of FilterModes
// at 32 bits per pixel, and shows each as "800x600 @ 75 Hz 32 bpp".
void FillModeList(HWND dialog);
// Removes, in place and keeping the order, every record whose depth is not
// `depth` or whose width and height both miss every row of standardSizes.
void FilterModes(std::vector<DEVMODEA> &list, DWORD depth);
// Lists the sound devices; false (after an error box and WM_CLOSE to the
// dialog) when the sound library cannot start.
bool FillDriverList(HWND dialog);
// The four output types, indexed as the sound library numbers them; selects
// the third.
void FillOutputList(HWND dialog);
// The message of a sound-library error code; "Unknown error" outside 0-19.
const char *SoundErrorText(int code);
