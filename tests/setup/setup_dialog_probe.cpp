// Shows the setup dialog on its own, as the show would, and prints what it
// returned and stored: the end-to-end scripts drive it with real keys and
// clicks. Display modes and sound devices are the tests' stand-ins.
#include "fake_fsound.h"
#include "platform/tap.h"
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
} // namespace

// Arguments: [--sound-fails CODE] [--screen WxH]
int main(int argc, char **argv) {
  DWORD width = 1280, height = 1024;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--sound-fails") == 0) {
      fakeSound.initFails = true;
      fakeSound.error = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--screen") == 0) {
      std::sscanf(argv[i + 1], "%ux%u", &width, &height);
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
  return 0;
}
