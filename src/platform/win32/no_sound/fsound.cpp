// FSOUND with no device behind it, as on a machine without sound: left to
// pick its output (the setup dialog's device list) or asked for no sound,
// FSOUND_Init succeeds with an empty device list; an output type that would
// need a device fails with FSOUND_ERR_INIT, and the show goes on silent.
#include "platform/fsound.h"

namespace {
int lastError = FSOUND_ERR_NONE;
int output = -1;
bool initialised = false;

template <typename T> T Failed(int error, T result) {
  lastError = error;
  return result;
}
} // namespace

signed char FSOUND_SetOutput(int outputType) {
  if (initialised)
    return Failed<signed char>(FSOUND_ERR_BUSY, 0);
  if (outputType < -1 || outputType > FSOUND_OUTPUT_A3D)
    return Failed<signed char>(FSOUND_ERR_INVALID_PARAM, 0);
  output = outputType;
  return 1;
}
signed char FSOUND_SetDriver(int) {
  return initialised ? Failed<signed char>(FSOUND_ERR_BUSY, 0) : 1;
}
signed char FSOUND_Init(int, int, unsigned int) {
  if (initialised)
    return Failed<signed char>(FSOUND_ERR_BUSY, 0);
  if (output > FSOUND_OUTPUT_NOSOUND)
    return Failed<signed char>(FSOUND_ERR_INIT, 0);
  initialised = true;
  lastError = FSOUND_ERR_NONE;
  return 1;
}
void FSOUND_Close(void) {
  initialised = false;
}
int FSOUND_GetError(void) {
  return lastError;
}
int FSOUND_GetNumDrivers(void) {
  return 0;
}
const char *FSOUND_GetDriverName(int) {
  return Failed<const char *>(FSOUND_ERR_INVALID_PARAM, nullptr);
}
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *, unsigned int, int) {
  return Failed<FSOUND_STREAM *>(initialised ? FSOUND_ERR_FILE_FORMAT : FSOUND_ERR_UNINITIALIZED, nullptr);
}
int FSOUND_Stream_Play(int, FSOUND_STREAM *) {
  return Failed(FSOUND_ERR_INVALID_PARAM, -1);
}
signed char FSOUND_Stream_Close(FSOUND_STREAM *) {
  return Failed<signed char>(FSOUND_ERR_INVALID_PARAM, 0);
}
