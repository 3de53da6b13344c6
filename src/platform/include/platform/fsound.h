// The FSOUND sound-library calls the show makes, over SDL2 audio and
// libmpg123. Output types, devices and streams as the show uses them; the
// mixing runs on SDL's audio thread, the decoding on a thread of the layer.
#pragma once
#ifdef _WIN32
#error You should not be including this file on this platform: use the header of the sound library
#endif

struct FSOUND_STREAM; // an open stream; opaque

#define FSOUND_FREE (-1) // FSOUND_Stream_Play: pick any free channel

// Output types; the index in the setup dialog's output list.
enum FSOUND_OUTPUTTYPES {
  FSOUND_OUTPUT_NOSOUND = 0,
  FSOUND_OUTPUT_WINMM = 1,
  FSOUND_OUTPUT_DSOUND = 2,
  FSOUND_OUTPUT_A3D = 3,
};

// Stream and sample mode flags.
#define FSOUND_LOOP_OFF 0x00000001
#define FSOUND_LOOP_NORMAL 0x00000002
#define FSOUND_8BITS 0x00000008
#define FSOUND_16BITS 0x00000010
#define FSOUND_MONO 0x00000020
#define FSOUND_STEREO 0x00000040
#define FSOUND_LOADMEMORY 0x00008000

// Error codes reported by FSOUND_GetError.
enum FSOUND_ERRORS {
  FSOUND_ERR_NONE = 0,
  FSOUND_ERR_BUSY = 1,
  FSOUND_ERR_UNINITIALIZED = 2,
  FSOUND_ERR_INIT = 3,
  FSOUND_ERR_ALLOCATED = 4,
  FSOUND_ERR_PLAY = 5,
  FSOUND_ERR_OUTPUT_FORMAT = 6,
  FSOUND_ERR_COOPERATIVELEVEL = 7,
  FSOUND_ERR_CREATEBUFFER = 8,
  FSOUND_ERR_FILE_NOTFOUND = 9,
  FSOUND_ERR_FILE_FORMAT = 10,
  FSOUND_ERR_FILE_BAD = 11,
  FSOUND_ERR_MEMORY = 12,
  FSOUND_ERR_VERSION = 13,
  FSOUND_ERR_INVALID_PARAM = 14,
  FSOUND_ERR_NO_EAX = 15,
  FSOUND_ERR_NO_EAX2 = 16,
  FSOUND_ERR_CHANNEL_ALLOC = 17,
  FSOUND_ERR_RECORD = 18,
  FSOUND_ERR_MEDIAPLAYER = 19,
};

signed char FSOUND_SetOutput(int outputType); // before FSOUND_Init only
signed char FSOUND_SetDriver(int driver);     // before FSOUND_Init only; index into the device list
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
void FSOUND_Close(void);
int FSOUND_GetError(void);
int FSOUND_GetNumDrivers(void);
const char *FSOUND_GetDriverName(int driver);

// With FSOUND_LOADMEMORY `nameOrData` is the caller's block of `length` bytes,
// read in place (neither copied nor freed) until FSOUND_Stream_Close returns.
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *nameOrData, unsigned int mode, int length);
int FSOUND_Stream_Play(int channel, FSOUND_STREAM *stream); // the channel, or -1
signed char FSOUND_Stream_Close(FSOUND_STREAM *stream);
