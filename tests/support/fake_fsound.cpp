// SPDX-License-Identifier: MIT
// Stand-ins for the FSOUND calls that log each call. Stream_Close reads the
// whole block, as the library may until then: a block freed too early shows
// up under AddressSanitizer.
#include "fake_fsound.h"

#include "platform/fsound.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct FSOUND_STREAM {
  int unused;
};

namespace fake {
namespace {
World world;
FSOUND_STREAM theStream;
} // namespace

World &Reset() {
  world = World();
  return world;
}
World &Get() {
  return world;
}

uint32_t Checksum(const unsigned char *data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i)
    sum = sum * 31 + data[i];
  return sum;
}

void Log(const char *format, ...) {
  char text[200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  world.calls.push_back(text);
}

} // namespace fake

using fake::Log;
using fake::world;

signed char FSOUND_SetOutput(int outputType) {
  Log("SetOutput(%d)", outputType);
  return 1;
}
signed char FSOUND_SetDriver(int driver) {
  Log("SetDriver(%d)", driver);
  return 1;
}
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
  Log("Init(%d,%d,%u)", mixRate, maxSoftwareChannels, flags);
  ++world.inits;
  world.initRate = mixRate;
  world.initChannels = maxSoftwareChannels;
  world.initFlags = flags;
  world.initialised = !world.initFails;
  return world.initialised ? 1 : 0;
}
void FSOUND_Close(void) {
  Log("Close()");
  ++world.closes;
  world.initialised = false;
}
int FSOUND_GetError(void) {
  return world.initFails ? world.error : FSOUND_ERR_NONE;
}
// Devices are listed only while the library is initialised, as the real one does.
int FSOUND_GetNumDrivers(void) {
  return world.initialised ? static_cast<int>(world.drivers.size()) : 0;
}
const char *FSOUND_GetDriverName(int driver) {
  if (!world.initialised || driver < 0 || driver >= static_cast<int>(world.drivers.size()))
    return nullptr;
  return world.drivers[size_t(driver)].c_str();
}

FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *nameOrData, unsigned int mode, int length) {
  Log("Stream_OpenFile(%s,0x%x,%d)", nameOrData ? "data" : "null", mode, length);
  if (nameOrData == nullptr || !world.streamOpens)
    return nullptr;
  world.openedBlock = reinterpret_cast<const unsigned char *>(nameOrData);
  world.openedLength = length;
  return &fake::theStream;
}
int FSOUND_Stream_Play(int channel, FSOUND_STREAM *stream) {
  Log("Stream_Play(%d,%s)", channel, stream == &fake::theStream ? "stream" : "?");
  return world.playResult;
}
signed char FSOUND_Stream_Close(FSOUND_STREAM *stream) {
  Log("Stream_Close(%s)", stream == &fake::theStream ? "stream" : "?");
  world.checksumAtClose = fake::Checksum(world.openedBlock, size_t(world.openedLength));
  return 1;
}
