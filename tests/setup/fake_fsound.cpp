// The FSOUND calls the setup dialog makes, answering from fakeSound.
#include "fake_fsound.h"

#include "platform/fsound.h"

FakeSound fakeSound;

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
  ++fakeSound.inits;
  fakeSound.initRate = mixRate;
  fakeSound.initChannels = maxSoftwareChannels;
  fakeSound.initFlags = flags;
  fakeSound.initialised = !fakeSound.initFails;
  return fakeSound.initialised ? 1 : 0;
}

void FSOUND_Close(void) {
  ++fakeSound.closes;
  fakeSound.initialised = false;
}

int FSOUND_GetError(void) {
  return fakeSound.initFails ? fakeSound.error : FSOUND_ERR_NONE;
}

// Devices are listed only while the library is initialised, as the real one does.
int FSOUND_GetNumDrivers(void) {
  return fakeSound.initialised ? static_cast<int>(fakeSound.drivers.size()) : 0;
}

const char *FSOUND_GetDriverName(int driver) {
  if (!fakeSound.initialised || driver < 0 || driver >= static_cast<int>(fakeSound.drivers.size()))
    return nullptr;
  return fakeSound.drivers[driver].c_str();
}
