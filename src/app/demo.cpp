// Set-up, main loop and teardown of the show.
#include "app/demo.h"

#include "app/data_archive.h"
#include "sound/music_player.h"

Demo::Demo(HINSTANCE instance, int32_t lengthSeconds)
    : lengthSeconds(lengthSeconds), instance(instance), musicPlayer(nullptr),
      dataArchive(new DataArchive("zarvox.dat")) {}

void Demo::Setup(const VideoMode &videoMode, const SoundSetup &soundSetup, bool fullscreen) {
  mainWindow.mode = videoMode;
  // If the switch fails the window opens in windowed mode; set-up goes on.
  mainWindow.SetDisplayMode(fullscreen);
  mainWindow.Create(CW_USEDEFAULT, CW_USEDEFAULT, int(videoMode.width), int(videoMode.height), nullptr, nullptr,
                    instance);

  glContext.Create(mainWindow.handle, 32, 24, 0); // a failed context leaves the show blank
  glContext.SetDefaultState();
  glContext.SetViewport(0, 0, int(videoMode.width), int(videoMode.height), true);

  // A missing soundtrack leaves the show silent; the result is not consulted.
  musicPlayer = new MusicPlayer(soundSetup, dataArchive);
  musicPlayer->Open("zarvox.mp3");

  // The timeline goes here, each effect appended as soon as it is made, so
  // that all extraction and decoding is done before the clock starts:
  //   LogoZoomEffect  (&glContext, dataArchive, "Effect Testing!!!",     0,  12500)
  //   LogoTwirlEffect (&glContext, dataArchive, "Effect Testing!!!", 12500,  25000)
  //   LogoSpinEffect  (&glContext, dataArchive, "Effect Testing!!!", 25000,  44500)
  //   SphereEffect    (&glContext, dataArchive, "Effect Testing!!!", 44500,  89000)
  //   LogoWaveEffect  (&glContext, dataArchive, "Effect Testing!!!", 89000, 128000)
}

void Demo::Run() {
  timer.Start();
  if (musicPlayer != nullptr)
    musicPlayer->Play(); // starts with the clock; a failure leaves the show silent

  MSG message;
  for (;;) {
    // One pass takes a message or renders a frame, never both; the loop
    // never waits.
    const bool took = PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (took) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else {
      RenderFrame();
    }
    if (took && message.message == WM_QUIT)
      break;
    if (timer.Elapsed(PerfTimer::kSeconds) >= lengthSeconds)
      break;
  }
}

void Demo::RenderFrame() {
  for (size_t i = 0; i < effects.size(); ++i) {
    if (effects[i] == nullptr)
      continue;
    const int32_t timeMs = timer.Elapsed(PerfTimer::kMilliseconds);
    (void)timeMs; // Each effect renders here, once they exist: effects[i]->Render(timeMs);
  }
}

Demo::~Demo() {
  // The effects go first, in list order, while the GL context is still
  // current so that they can delete their textures; once they exist:
  //   for (Effect *effect : effects) delete effect;
  // Then the music player: stream, sound system, soundtrack block, in that order.
  delete musicPlayer;
  musicPlayer = nullptr;
  delete dataArchive;
  dataArchive = nullptr;
  if (mainWindow.fullscreen)
    mainWindow.SetDisplayMode(false); // the desktop mode and the cursor come back
  std::vector<Effect *>().swap(effects);
  // glContext is released by its destructor, last. The window goes with the
  // process.
}
