// The FSOUND calls over SDL2 audio: output types to SDL drivers, the device
// list, the device with its mixer callback, the error code, the streams.
#include "mixer.h"
#include "stream.h"

#include "platform/fsound.h"
#include "platform/tap.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
using platform::sound::Mixer;

// What FSOUND_Init accepts.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 4096;

struct Library {
  // A program that ends without FSOUND_Close must not leave the audio thread
  // running on a mixer that static destruction has freed.
  ~Library();

  int output = -1;                      // FSOUND_SetOutput's choice; -1: FSOUND_Init picks
  int driver = 0;                       // FSOUND_SetDriver's choice
  int error = FSOUND_ERR_NONE;          // why the latest failing call failed
  unsigned saidSilent = 0;              // output types whose missing device stderr was told of (bits)
  bool pullMode = false;                // PlatformSetSoundPull: no device from the next FSOUND_Init on
  bool initialised = false;             // between FSOUND_Init and FSOUND_Close
  bool pulling = false;                 // this initialisation mixes offline
  bool sdlAudio = false;                // SDL_AudioInit succeeded; SDL_AudioQuit is owed
  SDL_AudioDeviceID device = 0;         // the open device, 0 with no sound or offline
  std::unique_ptr<Mixer> mixer;         // from FSOUND_Init to FSOUND_Close
  std::vector<std::string> devices;     // the device list of the open output
  std::vector<FSOUND_STREAM *> streams; // open streams, owned
};
Library library;

template <typename Result> Result Fail(int code, Result result) {
  library.error = code;
  return result;
}

// Holds the mixer still while the program thread changes its channels: SDL
// runs the callback under the device lock. Held for a few instructions only.
class MixerLock {
public:
  MixerLock() {
    if (library.device != 0)
      SDL_LockAudioDevice(library.device);
  }
  ~MixerLock() {
    if (library.device != 0)
      SDL_UnlockAudioDevice(library.device);
  }
  MixerLock(const MixerLock &) = delete;
  MixerLock &operator=(const MixerLock &) = delete;
};

// Runs on SDL's audio thread. `bytes` is one buffer of 16-bit stereo frames.
void SDLCALL FillBuffer(void *user, Uint8 *buffer, int bytes) {
  static_cast<Mixer *>(user)->Mix(reinterpret_cast<int16_t *>(buffer), size_t(bytes) / 4, false);
}

// Frames per device buffer: about 25 ms, a power of two, at most 1024, so
// that the sound starts within a frame or two of the picture.
int BufferFrames(int rate) {
  int frames = 1024;
  while (frames > 128 && frames > rate / 40)
    frames /= 2;
  return frames;
}

// SDL drivers for an output type, in the order they are tried; NULL lets SDL
// take the driver the environment names.
std::vector<const char *> DriversFor(int output) {
  const char *named = SDL_getenv("SDL_AUDIODRIVER");
  if (named != nullptr && *named != '\0')
    return {nullptr};
  if (output == FSOUND_OUTPUT_WINMM)
    return {"alsa", "dsp"};
  if (output == FSOUND_OUTPUT_A3D)
    return {"pipewire"};
  std::vector<const char *> drivers;
  for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) {
    const char *name = SDL_GetAudioDriver(i);
    // SDL's file writer and sink are for tests; they are never picked unasked.
    if (std::strcmp(name, "disk") != 0 && std::strcmp(name, "dummy") != 0)
      drivers.push_back(name);
  }
  return drivers;
}

// The playback devices of the driver SDL has open, the default first where
// the driver names it. *firstIsDefault tells whether it did.
std::vector<std::string> ListDevices(bool *firstIsDefault) {
  std::vector<std::string> names;
  const int count = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < count; ++i) {
    const char *name = SDL_GetAudioDeviceName(i, 0);
    names.push_back(name != nullptr ? name : "");
  }
  *firstIsDefault = false;
  char *defaultName = nullptr;
  SDL_AudioSpec spec;
  if (SDL_GetDefaultAudioInfo(&defaultName, &spec, 0) == 0 && defaultName != nullptr) {
    auto found = std::find(names.begin(), names.end(), std::string(defaultName));
    if (found != names.end()) {
      std::rotate(names.begin(), found, found + 1);
      *firstIsDefault = true;
    }
    SDL_free(defaultName);
  }
  return names;
}

// ALSA writes every step of a failed lookup to stderr, a dozen lines for a
// machine without a card; FSOUND_Init says in one line why nothing opened.
void IgnoreAlsaError(const char *, int, const char *, int, const char *, ...) {}

// Opens a device of the output type at the mixing rate, trying its drivers
// in turn. False (and SDL audio shut again) when none opens; `why` then
// holds each driver's reason.
bool OpenOutput(int output, int rate, std::string *why) {
  snd_lib_error_set_handler(IgnoreAlsaError);
  const auto note = [why](const char *driver) {
    *why += std::string(why->empty() ? "" : "; ") + (driver != nullptr ? driver : "?") + ": " + SDL_GetError();
  };
  for (const char *driver : DriversFor(output)) {
    if (SDL_AudioInit(driver) != 0) {
      note(driver != nullptr ? driver : SDL_getenv("SDL_AUDIODRIVER"));
      continue;
    }
    bool firstIsDefault = false;
    std::vector<std::string> devices = ListDevices(&firstIsDefault);
    const int chosen = library.driver;
    const bool listed = chosen >= 0 && chosen < int(devices.size());
    // The default device follows the desktop's routing when opened by no name.
    const char *name = listed && !(chosen == 0 && firstIsDefault) ? devices[size_t(chosen)].c_str() : nullptr;
    // sndio without its server falls back to ALSA, already tried before it,
    // and says so on stderr: it is reached through its server only.
    const bool sndio = std::strcmp(SDL_GetCurrentAudioDriver(), "sndio") == 0;
    if (sndio)
      name = "snd/default";
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = Uint16(BufferFrames(rate));
    wanted.callback = FillBuffer;
    wanted.userdata = library.mixer.get();
    SDL_AudioSpec obtained;
    // No changes allowed: SDL converts to whatever the hardware takes, so the
    // mixer always sees its own rate and buffer length.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
    if (device == 0 && name != nullptr && !sndio)
      device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device != 0) {
      library.device = device;
      library.devices = std::move(devices);
      library.sdlAudio = true;
      platform::sound::Counts().bufferFrames.store(obtained.samples);
      return true;
    }
    note(SDL_GetCurrentAudioDriver());
    SDL_AudioQuit();
  }
  return false;
}

bool IsOpenStream(FSOUND_STREAM *stream) {
  return stream != nullptr &&
         std::find(library.streams.begin(), library.streams.end(), stream) != library.streams.end();
}

} // namespace

signed char FSOUND_SetOutput(int outputType) {
  if (library.initialised)
    return Fail(FSOUND_ERR_BUSY, 0);
  if (outputType < -1 || outputType > FSOUND_OUTPUT_A3D)
    return Fail(FSOUND_ERR_INVALID_PARAM, 0);
  library.output = outputType;
  return 1;
}

signed char FSOUND_SetDriver(int driver) {
  if (library.initialised)
    return Fail(FSOUND_ERR_BUSY, 0);
  library.driver = driver;
  return 1;
}

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int /*flags*/) {
  if (library.initialised)
    return Fail(FSOUND_ERR_BUSY, 0);
  if (mixRate < kMinRate || mixRate > kMaxRate || maxSoftwareChannels < 1 || maxSoftwareChannels > kMaxChannels)
    return Fail(FSOUND_ERR_INVALID_PARAM, 0);

  platform::sound::MixerCounts &counts = platform::sound::Counts();
  counts.buffers = 0;
  counts.starvedBuffers = 0;
  counts.streamFrames = 0;
  counts.streamsEnded = 0;
  counts.bufferFrames = 0;
  library.mixer.reset(new Mixer(mixRate, maxSoftwareChannels, size_t(BufferFrames(mixRate))));

  const bool automatic = library.output == -1;
  const int output = automatic ? FSOUND_OUTPUT_DSOUND : library.output;
  library.pulling = library.pullMode && output != FSOUND_OUTPUT_NOSOUND;
  std::string why;
  if (output != FSOUND_OUTPUT_NOSOUND && !library.pulling && !OpenOutput(output, mixRate, &why)) {
    // The program shows no box for this; say on stderr why it is silent,
    // once: the dialog's listing and the player meet the same missing device.
    if ((library.saidSilent & (1u << output)) == 0)
      std::fprintf(stderr, "FSOUND: no sound device opens for output type %d (%s)%s\n", output, why.c_str(),
                   automatic ? "; going on without sound" : "");
    library.saidSilent |= 1u << output;
    // Left to itself, a machine with no device at all goes on without sound.
    if (!automatic) {
      library.mixer.reset();
      return Fail(FSOUND_ERR_INIT, 0);
    }
  }
  if (library.device != 0)
    SDL_PauseAudioDevice(library.device, 0); // the device runs from now on, silent until a stream plays
  library.initialised = true;
  library.error = FSOUND_ERR_NONE;
  return 1;
}

void FSOUND_Close(void) {
  if (!library.initialised)
    return;
  // Closing the device waits for the audio thread: no callback runs after it.
  if (library.device != 0)
    SDL_CloseAudioDevice(library.device);
  library.device = 0;
  for (FSOUND_STREAM *stream : library.streams)
    delete stream;
  library.streams.clear();
  library.mixer.reset();
  library.devices.clear();
  if (library.sdlAudio)
    SDL_AudioQuit();
  library.sdlAudio = false;
  library.pulling = false;
  library.initialised = false;
}

int FSOUND_GetError(void) {
  return library.error;
}

int FSOUND_GetNumDrivers(void) {
  return int(library.devices.size());
}

const char *FSOUND_GetDriverName(int driver) {
  if (driver < 0 || driver >= int(library.devices.size()))
    return Fail<const char *>(FSOUND_ERR_INVALID_PARAM, nullptr);
  return library.devices[size_t(driver)].c_str();
}

FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *nameOrData, unsigned int mode, int length) {
  if (!library.initialised)
    return Fail<FSOUND_STREAM *>(FSOUND_ERR_UNINITIALIZED, nullptr);
  const bool inMemory = (mode & FSOUND_LOADMEMORY) != 0;
  if (nameOrData == nullptr || (inMemory && length < 1))
    return Fail<FSOUND_STREAM *>(FSOUND_ERR_INVALID_PARAM, nullptr);
  const bool loop = (mode & FSOUND_LOOP_NORMAL) != 0 && (mode & FSOUND_LOOP_OFF) == 0;
  int error = FSOUND_ERR_NONE;
  FSOUND_STREAM *stream =
      FSOUND_STREAM::Open(nameOrData, inMemory, inMemory ? size_t(length) : 0, library.mixer->Rate(), loop, &error);
  if (stream == nullptr)
    return Fail<FSOUND_STREAM *>(error, nullptr);
  library.streams.push_back(stream);
  return stream;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM *stream) {
  if (!library.initialised)
    return Fail(FSOUND_ERR_UNINITIALIZED, -1);
  if (!IsOpenStream(stream))
    return Fail(FSOUND_ERR_INVALID_PARAM, -1);
  if (stream->started)
    return Fail(FSOUND_ERR_PLAY, -1);
  Mixer &mixer = *library.mixer;
  MixerLock hold;
  if (channel == FSOUND_FREE) {
    for (int c = 0; c < mixer.ChannelCount() && channel == FSOUND_FREE; ++c)
      if (mixer.Channel(c) == nullptr)
        channel = c;
    if (channel == FSOUND_FREE)
      return Fail(FSOUND_ERR_CHANNEL_ALLOC, -1);
  } else if (channel < 0 || channel >= mixer.ChannelCount()) {
    return Fail(FSOUND_ERR_INVALID_PARAM, -1);
  }
  if (FSOUND_STREAM *playing = mixer.Channel(channel))
    playing->channel = -1; // stopped; it stays open
  mixer.SetChannel(channel, stream);
  stream->channel = channel;
  stream->started = true;
  return channel;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM *stream) {
  if (!IsOpenStream(stream))
    return Fail(FSOUND_ERR_INVALID_PARAM, 0);
  {
    MixerLock hold;
    if (stream->channel >= 0)
      library.mixer->SetChannel(stream->channel, nullptr);
    stream->channel = -1;
  }
  library.streams.erase(std::find(library.streams.begin(), library.streams.end(), stream));
  delete stream; // joins its decoder: the caller's data is free to go after this
  return 1;
}

Library::~Library() {
  FSOUND_Close();
}

// ---- hooks for tests and tools ----------------------------------------------

PlatformSoundCounts PlatformGetSoundCounts(void) {
  const platform::sound::MixerCounts &counts = platform::sound::Counts();
  PlatformSoundCounts result;
  result.buffers = counts.buffers.load();
  result.starvedBuffers = counts.starvedBuffers.load();
  result.streamFrames = counts.streamFrames.load();
  result.streamsEnded = counts.streamsEnded.load();
  result.bufferFrames = counts.bufferFrames.load();
  return result;
}

void PlatformSetSoundPull(bool on) {
  library.pullMode = on;
}

void PlatformSoundPull(int16_t *out, int frames) {
  if (out == nullptr || frames <= 0)
    return;
  if (!library.pulling)
    std::memset(out, 0, size_t(frames) * 2 * sizeof(int16_t));
  else
    library.mixer->Mix(out, size_t(frames), true);
}
