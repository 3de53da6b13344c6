// SPDX-License-Identifier: MIT
// Set-up, main loop and teardown of the show.
#include "app/demo.h"

#include "archive/data_archive.h"
#include "effects/logo_spin_effect.h"
#include "effects/logo_twirl_effect.h"
#include "effects/logo_wave_effect.h"
#include "effects/logo_zoom_effect.h"
#include "effects/show_timeline.h"
#include "effects/sphere_effect.h"
#include "sound/music_player.h"

Demo::Demo(HINSTANCE instance, int32_t lengthSeconds)
    : lengthSeconds(lengthSeconds), instance(instance), musicPlayer(nullptr),
      dataArchive(new DataArchive(kDataFileName)) {}

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

  // The timeline, each effect appended as soon as it is made. Every one
  // loads its images while it is built, so all extraction and decoding is
  // done before the clock starts.
  const char name[] = "Effect Testing!!!";
  effects.push_back(new LogoZoomEffect(&glContext, dataArchive, name, show::kZoom.startMs, show::kZoom.endMs));
  effects.push_back(new LogoTwirlEffect(&glContext, dataArchive, name, show::kTwirl.startMs, show::kTwirl.endMs));
  effects.push_back(new LogoSpinEffect(&glContext, dataArchive, name, show::kSpin.startMs, show::kSpin.endMs));
  effects.push_back(new SphereEffect(&glContext, dataArchive, name, show::kSphere.startMs, show::kSphere.endMs));
  effects.push_back(new LogoWaveEffect(&glContext, dataArchive, name, show::kWave.startMs, show::kWave.endMs));
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
    // Each effect clears, draws and swaps by itself when its window holds the time.
    effects[i]->Render(timer.Elapsed(PerfTimer::kMilliseconds));
  }
}

Demo::~Demo() {
  // The effects go first, in list order, while the GL context is still
  // current so that they can delete their textures.
  for (Effect *effect : effects)
    delete effect; // empty entries are skipped by delete itself
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
