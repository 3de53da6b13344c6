// SPDX-License-Identifier: MIT
// Template 102, the setup dialog, as data: the one source of the dialog's
// layout. The Linux dialog engine reads it as it is; for Windows the build
// writes it out as a DIALOGEX resource (tools/dialog-rc).
#include "setup/setup_template.h"

#include "setup/setup_dialog.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// Positions and sizes in dialog units; a combo box's height includes its
// dropped-down list.
const DialogControlTemplate kSetupControls[] = {
    {"static", -1, "zarvox crew", kChild | SS_LEFT | WS_GROUP, 0, 208, 75, 53, 8},
    {"button", IDC_START, "&Start", kChild | BS_DEFPUSHBUTTON, WS_EX_CLIENTEDGE, 209, 44, 51, 13},
    {"button", IDC_EXIT, "E&xit", kChild | BS_PUSHBUTTON, WS_EX_STATICEDGE | WS_EX_CLIENTEDGE, 209, 59, 51, 13},
    {"combobox", IDC_VIDEO_MODES, "", kChild | CBS_DROPDOWN | WS_VSCROLL, 0, 13, 23, 154, 73},
    {"button", IDC_WINDOW, "window", kChild | BS_AUTORADIOBUTTON | BS_FLAT, 0, 170, 26, 35, 8},
    {"button", IDC_FULLSCREEN, "fullscreen", kChild | BS_AUTORADIOBUTTON | BS_FLAT, 0, 209, 26, 48, 8},
    {"button", -1, "video", kChild | BS_GROUPBOX, 0, 8, 14, 251, 25},
    {"button", -1, "Zarvox", kChild | BS_GROUPBOX, WS_EX_RIGHT, 3, 5, 261, 83},
    {"button", -1, "sound", kChild | BS_GROUPBOX, 0, 8, 40, 196, 46},
    {"combobox", IDC_SOUND_DEVICES, "", kChild | CBS_DROPDOWN | WS_VSCROLL, 0, 40, 51, 127, 60},
    {"static", -1, "device", kChild | SS_LEFT | WS_GROUP, 0, 13, 53, 23, 8},
    {"static", -1, "output driver", kChild | SS_LEFT | WS_GROUP, 0, 12, 68, 44, 8},
    {"button", IDC_RATE_48K, "48khz", kChild | BS_AUTORADIOBUTTON | BS_FLAT, 0, 170, 47, 29, 10},
    {"button", IDC_RATE_44K, "44khz", kChild | BS_AUTORADIOBUTTON | BS_FLAT, 0, 170, 56, 29, 10},
    {"button", IDC_RATE_22K, "22khz", kChild | BS_AUTORADIOBUTTON | BS_FLAT, 0, 170, 66, 28, 10},
    {"button", IDC_RATE_11K, "11khz", kChild | BS_AUTORADIOBUTTON | BS_FLAT, 0, 170, 75, 30, 10},
    {"combobox", IDC_OUTPUT_TYPES, "", kChild | CBS_DROPDOWN | WS_VSCROLL, 0, 57, 66, 110, 55},
};

} // namespace

// No caption bar, no system menu, no title; placed at (400, 325) until the
// procedure centres it.
const DialogTemplate kSetupTemplate = {
    WS_POPUP | DS_MODALFRAME | DS_SETFONT,
    0,
    400,
    325,
    267,
    95,
    "",
    "Verdana",
    10,
    kSetupControls,
    static_cast<int>(sizeof kSetupControls / sizeof kSetupControls[0]),
};
