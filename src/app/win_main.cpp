// The program's entry point.
#include "app/demo.h"
#include "setup/demo_settings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The setup dialog comes first, once it exists: DialogBoxParamA(instance,
  // MAKEINTRESOURCE(102), NULL, <setup procedure>, 0), returning 0 at once
  // when the viewer cancels. Until then the settings keep their defaults.
  {
    Demo demo(instance, 128);
    demo.Setup(demoSettings.videoMode, demoSettings.soundSetup, demoSettings.fullscreen);
    demo.Run();
  }
  return 0;
}
