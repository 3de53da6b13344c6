// SPDX-License-Identifier: MIT
// The setup dialog's procedure and the lists it fills from the display and the
// sound library; its template (resource 102) is in setup_template.cpp.
#include "setup/setup_dialog.h"

#include "platform/fsound.h"
#include "setup/demo_settings.h"
#include "setup/setup_template.h"

#include <string>

const StandardSize standardSizes[7] = {
    {640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200},
};

std::vector<DEVMODEA> modeList;

namespace {

// In this translation unit so that linking the procedure brings the template.
// Windows shows the program's resource 102 instead, written from the same
// data at build time.
const DialogTemplateRegistrar kSetupRegistrar(IDD_SETUP, &kSetupTemplate);

const char *const kSoundErrors[] = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};

// Index = FSOUND output type.
const char *const kOutputTypes[] = {"No Sound", "Windows MM WaveOut", "Direct Sound", "Aureal A3D"};

int Selection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void Check(HWND dialog, int id) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

// Centres the dialog on the primary display. A dialog larger than the screen,
// or a screen whose size is unknown, puts it at the top-left corner instead
// of far off the screen.
void CentreOnScreen(HWND dialog) {
  DEVMODEA screen = {};
  screen.dmSize = sizeof screen;
  if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &screen))
    screen.dmPelsWidth = screen.dmPelsHeight = 0;
  RECT rect = {};
  GetWindowRect(dialog, &rect);
  const DWORD width = static_cast<DWORD>(rect.right - rect.left);
  const DWORD height = static_cast<DWORD>(rect.bottom - rect.top);
  const DWORD x = screen.dmPelsWidth >= width ? (screen.dmPelsWidth - width) >> 1 : 0;
  const DWORD y = screen.dmPelsHeight >= height ? (screen.dmPelsHeight - height) >> 1 : 0;
  SetWindowPos(dialog, nullptr, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
               static_cast<int>(height), SWP_SHOWWINDOW);
}

void Start(HWND dialog) {
  const int mode = Selection(dialog, IDC_VIDEO_MODES);
  if (mode >= 0 && static_cast<size_t>(mode) < modeList.size()) {
    const DEVMODEA chosen = modeList[mode];
    demoSettings.videoMode.width = chosen.dmPelsWidth;
    demoSettings.videoMode.height = chosen.dmPelsHeight;
    demoSettings.videoMode.bitsPerPixel = chosen.dmBitsPerPel;
    demoSettings.videoMode.refreshRate = chosen.dmDisplayFrequency;
  }
  demoSettings.soundSetup.driver = Selection(dialog, IDC_SOUND_DEVICES);
  demoSettings.soundSetup.output = Selection(dialog, IDC_OUTPUT_TYPES);
  EndDialog(dialog, 1);
}

} // namespace

const char *SoundErrorText(int code) {
  if (code < 0 || code >= static_cast<int>(sizeof kSoundErrors / sizeof kSoundErrors[0]))
    return "Unknown error";
  return kSoundErrors[code];
}

void FilterModes(std::vector<DEVMODEA> &list, DWORD depth) {
  std::vector<DEVMODEA> kept;
  for (const DEVMODEA &mode : list) {
    bool standard = false;
    for (const StandardSize &size : standardSizes)
      standard = standard || mode.dmPelsWidth == size.width || mode.dmPelsHeight == size.height;
    if (mode.dmBitsPerPel == depth && standard)
      kept.push_back(mode);
  }
  list.swap(kept);
}

void FillModeList(HWND dialog) {
  // The dialog opens once per run; starting afresh keeps list entry k and
  // record k together should it open again.
  modeList.clear();
  for (DWORD number = 0;; ++number) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, number, &mode))
      break;
    modeList.push_back(mode);
  }
  if (modeList.empty())
    return;
  FilterModes(modeList, 32);
  for (const DEVMODEA &mode : modeList) {
    const std::string text = std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + " @ " +
                             std::to_string(mode.dmDisplayFrequency) + " Hz " + std::to_string(mode.dmBitsPerPel) +
                             " bpp";
    SendDlgItemMessageA(dialog, IDC_VIDEO_MODES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

bool FillDriverList(HWND dialog) {
  // Whatever output the library picks by itself: this only lists devices.
  if (!FSOUND_Init(8000, 32, 0)) {
    MessageBoxA(dialog, SoundErrorText(FSOUND_GetError()), "FSOUND", MB_SYSTEMMODAL | MB_ICONERROR);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    return false;
  }
  for (int i = 0; i < FSOUND_GetNumDrivers(); ++i) {
    const char *name = FSOUND_GetDriverName(i);
    // An empty entry for a nameless device keeps entry i on device i.
    SendDlgItemMessageA(dialog, IDC_SOUND_DEVICES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name ? name : ""));
  }
  if (SendDlgItemMessageA(dialog, IDC_SOUND_DEVICES, CB_GETCOUNT, 0, 0) > 0)
    SendDlgItemMessageA(dialog, IDC_SOUND_DEVICES, CB_SETCURSEL, 0, 0);
  // The player initialises the library again later, with the chosen settings.
  FSOUND_Close();
  return true;
}

void FillOutputList(HWND dialog) {
  for (const char *type : kOutputTypes)
    SendDlgItemMessageA(dialog, IDC_OUTPUT_TYPES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
  SendDlgItemMessageA(dialog, IDC_OUTPUT_TYPES, CB_SETCURSEL, FSOUND_OUTPUT_DSOUND, 0);
}

INT_PTR CALLBACK SetupDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    CentreOnScreen(dialog);
    FillModeList(dialog);
    FillDriverList(dialog); // on failure the dialog is closed, and the rest still runs
    FillOutputList(dialog);
    Check(dialog, IDC_FULLSCREEN);
    SendDlgItemMessageA(dialog, IDC_VIDEO_MODES, CB_SETCURSEL, 0, 0);
    Check(dialog, IDC_RATE_44K);
    return 0; // the focus is left where the system puts it
  case WM_COMMAND:
    switch (LOWORD(wParam)) {
    case IDC_START:
      Start(dialog);
      break;
    case IDC_EXIT:
      EndDialog(dialog, 0);
      break;
    case IDC_WINDOW:
      demoSettings.fullscreen = false;
      break;
    case IDC_FULLSCREEN:
      demoSettings.fullscreen = true;
      break;
    case IDC_RATE_48K:
      demoSettings.soundSetup.mixRate = 48000;
      break;
    case IDC_RATE_44K:
      demoSettings.soundSetup.mixRate = 44100;
      break;
    case IDC_RATE_22K:
      demoSettings.soundSetup.mixRate = 22050;
      break;
    case IDC_RATE_11K:
      demoSettings.soundSetup.mixRate = 11025;
      break;
    default:
      break; // IDCANCEL from Escape and the lists' notifications
    }
    return 0;
  default:
    return DefWindowProcA(dialog, message, wParam, lParam);
  }
}
