// SPDX-License-Identifier: MIT
// The viewer's choices from the setup dialog, read by the entry point.
#pragma once
#include <cstdint>

struct VideoMode {
  uint32_t width;
  uint32_t height;
  uint32_t bitsPerPixel;
  uint32_t refreshRate; // Hz
};

struct SoundSetup {
  int32_t driver;  // index into the sound-device list; -1 when none was selected
  int32_t output;  // FSOUND output type 0-3; -1 when none was selected
  int32_t mixRate; // Hz: 48000, 44100, 22050 or 11025
};

struct DemoSettings {
  VideoMode videoMode;
  bool fullscreen;
  SoundSetup soundSetup;
};

// The one instance, holding the defaults until the dialog changes them.
extern DemoSettings demoSettings;
