// SPDX-License-Identifier: MIT
#include "setup/demo_settings.h"

// 640 x 480, 32 bits, 60 Hz, fullscreen; first device, DirectSound-class output, 44.1 kHz.
DemoSettings demoSettings = {{640, 480, 32, 60}, true, {0, 2, 44100}};
