// The setup dialog's procedure, its template (resource 102) and the lists it
// fills from the display and the sound library.
#include "setup/setup_dialog.h"

#include "platform/dialog_template.h"
#include "platform/fsound.h"
#include "setup/demo_settings.h"

#include <string>

const StandardSize standardSizes[7] = {
    {640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200},
};

std::vector<DEVMODEA> modeList;

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

// In this translation unit so that linking the procedure brings the template.
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
