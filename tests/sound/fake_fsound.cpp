// Stand-ins for the FSOUND calls and rar_extract_to_memory that log each call.
// Stream_Close reads the whole block, as the library may until then: a block
// freed too early shows up under AddressSanitizer.
#include "fake_fsound.h"

#include "platform/fsound.h"
#include "rar/rar.h"

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

void Log(const char *format, ...) __attribute__((format(printf, 1, 2)));
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
  return 1;
}
void FSOUND_Close(void) {
  Log("Close()");
}
int FSOUND_GetError(void) {
  return 0;
}
int FSOUND_GetNumDrivers(void) {
  return 0;
}
const char *FSOUND_GetDriverName(int) {
  return nullptr;
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

int rar_extract_to_memory(unsigned char **block, uint32_t *size, const char *fileName, const char *archivePath,
                          const char *password) {
  Log("Extract(%s,%s,%s)", fileName, archivePath, password);
  auto found = world.files.find(fileName);
  if (found == world.files.end()) {
    *block = nullptr;
    *size = 0;
    return 0;
  }
  *size = uint32_t(found->second.size());
  *block = static_cast<unsigned char *>(std::malloc(*size));
  std::memcpy(*block, found->second.data(), *size);
  return 1;
}
