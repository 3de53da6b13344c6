// SPDX-License-Identifier: MIT
// The FSOUND sound-library calls the show makes: output types, devices and
// streams as the show uses them. The mixing runs on the device's thread, the
// decoding on a thread per stream. Call these from one thread only (the
// program's own). Linux: SDL2 audio and libmpg123; Windows: waveOut,
// DirectSound and the system's MP3 codec.
#pragma once

struct FSOUND_STREAM; // an open stream; opaque

#define FSOUND_FREE (-1) // FSOUND_Stream_Play: pick any free channel

// Output types; the index in the setup dialog's output list. What each one
// opens on Linux: SDL audio drivers, tried in the order given until a device
// opens; where the environment names SDL_AUDIODRIVER, that choice replaces
// the lists of types 1 to 3 (it is how tests and tools route the sound to
// SDL's "disk" or "dummy" drivers). On Windows type 1 is waveOut, type 2
// DirectSound, and type 3 (3D-audio hardware no current system has) fails
// FSOUND_Init with FSOUND_ERR_INIT.
enum FSOUND_OUTPUTTYPES {
  FSOUND_OUTPUT_NOSOUND = 0, // no device: every call succeeds, streams open and "play", nothing is heard
  FSOUND_OUTPUT_WINMM = 1,   // the kernel's sound interface straight to the card: ALSA, then OSS
  FSOUND_OUTPUT_DSOUND = 2,  // the desktop's sound server as SDL finds it: SDL's own order of drivers
                             // (PulseAudio, which PipeWire desktops also serve, then ALSA, sndio,
                             // PipeWire, OSS); the default, and what plays on an ordinary desktop
  FSOUND_OUTPUT_A3D = 3,     // no 3D-audio hardware API exists here: PipeWire's own interface only,
                             // so on a desktop without PipeWire FSOUND_Init fails with FSOUND_ERR_INIT
};

// Stream and sample mode flags. A decoded MP3 always plays as 16-bit stereo
// at the mixing rate: FSOUND_MONO, FSOUND_8BITS and their kin describe raw
// sample data and do not reduce it.
#define FSOUND_LOOP_OFF 0x00000001    // play once; wins over FSOUND_LOOP_NORMAL
#define FSOUND_LOOP_NORMAL 0x00000002 // start again from the top at the end (unless FSOUND_LOOP_OFF)
#define FSOUND_8BITS 0x00000008
#define FSOUND_16BITS 0x00000010
#define FSOUND_MONO 0x00000020
#define FSOUND_STEREO 0x00000040
#define FSOUND_LOADMEMORY 0x00008000 // FSOUND_Stream_OpenFile's first argument is the data, not a path

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

// Every call that fails leaves its reason for FSOUND_GetError; a successful
// FSOUND_Init clears it to FSOUND_ERR_NONE.

// Output type 0 to 3, or -1 to let FSOUND_Init pick one (the state at start).
// Kept across FSOUND_Close. False with FSOUND_ERR_BUSY after FSOUND_Init and
// FSOUND_ERR_INVALID_PARAM for any other value.
signed char FSOUND_SetOutput(int outputType);
// Index into the device list of the output that FSOUND_Init opens; an index
// that the list does not hold (-1 included) opens the system's default device.
// Kept across FSOUND_Close. False with FSOUND_ERR_BUSY after FSOUND_Init.
signed char FSOUND_SetDriver(int driver);
// Opens the output: mixing rate in Hz (4000 to 192000; the device runs at it,
// streams are resampled to it), up to `maxSoftwareChannels` (1 to 4096)
// streams playing at once; `flags` are ignored. Sound starts within a few
// tens of milliseconds: Linux's device buffer holds at most 1024 sample
// frames (about 25 ms); Windows keeps 40 to 80 ms mixed ahead in 10 ms
// pieces. With no FSOUND_SetOutput before it,
// it tries type 2 and, where no device opens at all, goes on with no sound and
// still succeeds. A chosen type that cannot open fails with FSOUND_ERR_INIT.
// False with FSOUND_ERR_BUSY when already initialised, FSOUND_ERR_INVALID_PARAM
// for a rate or channel count out of range.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
// Stops and closes every stream still open, closes the device and undoes
// FSOUND_Init, so that it can be called again with other settings. Harmless
// when not initialised.
void FSOUND_Close(void);
int FSOUND_GetError(void);
// The devices of the output FSOUND_Init opened, the system's default first
// where the driver names it; 0 before FSOUND_Init, after FSOUND_Close and with
// no sound. The names stay valid until FSOUND_Close; NULL (with
// FSOUND_ERR_INVALID_PARAM) for an index out of range.
int FSOUND_GetNumDrivers(void);
const char *FSOUND_GetDriverName(int driver);

// Opens an MP3 stream, decoding begins at once in the background and the
// first part of the track is ready when this returns. With FSOUND_LOADMEMORY
// `nameOrData` is the caller's block of `length` bytes, read in place (neither
// copied nor freed) until FSOUND_Stream_Close or FSOUND_Close returns; without
// it `nameOrData` is a file path and `length` is ignored. NULL with
// FSOUND_ERR_UNINITIALIZED before FSOUND_Init, FSOUND_ERR_INVALID_PARAM for no
// data or a length below 1, FSOUND_ERR_FILE_NOTFOUND for a path that does not
// open, FSOUND_ERR_FILE_FORMAT for data that is not MPEG audio.
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *nameOrData, unsigned int mode, int length);
// Starts the stream on `channel` (0 up to the FSOUND_Init count, stopping what
// plays there) or, with FSOUND_FREE, on the lowest free channel; returns the
// channel, or -1 with FSOUND_ERR_UNINITIALIZED, FSOUND_ERR_INVALID_PARAM (not
// an open stream, channel out of range), FSOUND_ERR_CHANNEL_ALLOC (no free
// channel) or FSOUND_ERR_PLAY (the stream has been started before: a stream
// plays once). The sound begins with the device's next buffer.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM *stream);
// Stops the stream and frees it; its data is not read once this returns.
// False with FSOUND_ERR_INVALID_PARAM for anything but an open stream.
signed char FSOUND_Stream_Close(FSOUND_STREAM *stream);
