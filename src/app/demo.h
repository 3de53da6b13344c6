// SPDX-License-Identifier: MIT
// The show: its window, GL context, clock, data archive, music and timeline
// of effects, set up once, run to the end, and torn down in a fixed order.
#pragma once
#include "app/main_window.h"
#include "app/perf_timer.h"
#include "gl/gl_context.h"
#include "setup/demo_settings.h"

#include <cstdint>
#include <vector>

// The show's data file, opened by this relative name from the directory the
// program was started in.
inline constexpr char kDataFileName[] = "zarvox.dat";

class DataArchive;
class MusicPlayer;
class Effect;

class Demo {
public:
  Demo(HINSTANCE instance, int32_t lengthSeconds);
  ~Demo();

  void Setup(const VideoMode &videoMode, const SoundSetup &soundSetup, bool fullscreen);
  void Run();         // until the show's time is up or the viewer quits
  void RenderFrame(); // every effect once, each with the time read afresh

  int32_t lengthSeconds; // the show ends when this many seconds have passed
  HINSTANCE instance;    // for the window only
  MainWindow mainWindow;
  GLContext glContext;
  MusicPlayer *musicPlayer;      // owned; NULL until Setup
  PerfTimer timer;               // the show's clock
  DataArchive *dataArchive;      // owned
  std::vector<Effect *> effects; // owned, in timeline order
};
