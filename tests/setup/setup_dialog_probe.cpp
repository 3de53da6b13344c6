// SPDX-License-Identifier: MIT
// Shows the setup dialog on its own, as the show would, and prints what it
// returned and stored: the end-to-end scripts drive it with real keys and
// clicks. Display modes and sound devices are the tests' stand-ins.
#include "fake_fsound.h"
#include "platform/tap_linux.h"
#include "platform/windows.h"
#include "setup/demo_settings.h"
#include "setup/setup_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
DEVMODEA Mode(DWORD width, DWORD height, DWORD bits, DWORD hertz) {
  DEVMODEA mode = {};
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmBitsPerPel = bits;
  mode.dmDisplayFrequency = hertz;
  return mode;
}
// Prints where the dialog and its controls are on the screen, once it is
// shown, so that a script can click them.
void PrintLayout(void *, HWND dialog) {
  PlatformSetDialogHook(nullptr, nullptr);
  RECT rect;
  GetWindowRect(dialog, &rect);
  std::printf("dialog %ld %ld %ld %ld\n", long(rect.left), long(rect.top), long(rect.right), long(rect.bottom));
  for (int id : {IDC_VIDEO_MODES, IDC_START, IDC_EXIT, IDC_WINDOW, IDC_FULLSCREEN, IDC_SOUND_DEVICES, IDC_OUTPUT_TYPES,
                 IDC_RATE_48K, IDC_RATE_44K, IDC_RATE_22K, IDC_RATE_11K}) {
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    std::printf("control %d %ld %ld %ld %ld\n", id, long(rect.left), long(rect.top), long(rect.right),
                long(rect.bottom));
  }
  std::fflush(stdout);
}
} // namespace

// Arguments: [--sound-fails CODE] [--screen WxH] [--layout]
int main(int argc, char **argv) {
  DWORD width = 1280, height = 1024;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sound-fails") == 0 && i + 1 < argc) {
      fake::Get().initFails = true;
      fake::Get().error = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--screen") == 0 && i + 1 < argc) {
      std::sscanf(argv[++i], "%ux%u", &width, &height);
    } else if (std::strcmp(argv[i], "--layout") == 0) {
      PlatformSetDialogHook(PrintLayout, nullptr);
    }
  }
  const DEVMODEA modes[] = {Mode(width, height, 32, 60), Mode(640, 480, 32, 60),  Mode(800, 600, 32, 75),
                            Mode(1024, 768, 32, 60),     Mode(1280, 720, 32, 60), Mode(1280, 1024, 32, 60),
                            Mode(1024, 768, 16, 60)};
  PlatformSetDisplayModes(modes, static_cast<int>(sizeof modes / sizeof modes[0]));
  const INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCE(IDD_SETUP), nullptr, SetupDialog, 0);
  const VideoMode &video = demoSettings.videoMode;
  const SoundSetup &sound = demoSettings.soundSetup;
  std::printf("result=%ld mode=%ux%ux%u@%u fullscreen=%d driver=%d output=%d rate=%d\n", static_cast<long>(result),
              video.width, video.height, video.bitsPerPixel, video.refreshRate, demoSettings.fullscreen ? 1 : 0,
              sound.driver, sound.output, sound.mixRate);
  std::fflush(stdout); // before any leak report at exit can end the process
  return 0;
}
