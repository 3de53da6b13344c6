// Test stand-in for the sound library's device listing: what FSOUND_Init
// answers, which devices exist, and a record of the calls.
#pragma once
#include <string>
#include <vector>

struct FakeSound {
  bool initFails = false;
  int error = 0; // FSOUND_GetError after a failed FSOUND_Init
  std::vector<std::string> drivers = {"Primary Sound Driver", "USB Headset"};
  int inits = 0;
  int closes = 0;
  int initRate = 0, initChannels = 0;
  unsigned initFlags = 0;
  bool initialised = false;
};

extern FakeSound fakeSound;
