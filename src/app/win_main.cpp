// The program's entry point: the setup dialog, then the show.
#include "app/demo.h"
#include "setup/demo_settings.h"
#include "setup/setup_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const INT_PTR chosen = DialogBoxParamA(instance, MAKEINTRESOURCE(IDD_SETUP), nullptr, SetupDialog, 0);
  if (chosen == 0)
    return 0; // Exit, or the dialog was closed: nothing else is made
  if (chosen < 0)
    return 1; // no dialog could be shown (the layer said why on stderr): nothing was chosen
  {
    Demo demo(instance, 128);
    demo.Setup(demoSettings.videoMode, demoSettings.soundSetup, demoSettings.fullscreen);
    demo.Run();
  }
  return 0;
}
