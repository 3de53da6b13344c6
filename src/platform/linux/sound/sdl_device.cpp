// SPDX-License-Identifier: MIT
// FSOUND's output types over SDL2's audio drivers; the mixer runs in SDL's
// callback on SDL's audio thread.
#include "common/sound/backend.h"
#include "common/sound/mixer.h"

#include "platform/fsound.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstring>

namespace platform::sound {
namespace {

// Runs on SDL's audio thread. `bytes` is one buffer of 16-bit stereo frames.
void SDLCALL FillBuffer(void *user, Uint8 *buffer, int bytes) {
  static_cast<Mixer *>(user)->Mix(reinterpret_cast<int16_t *>(buffer), size_t(bytes) / 4, false);
}

// Frames per device buffer: about 25 ms, a power of two, at most 1024, so
// that the sound starts within a frame or two of the picture.
int BufferFramesFor(int rate) {
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

// An open SDL device with SDL's audio subsystem started for it.
class SdlDevice : public Device {
public:
  SdlDevice(SDL_AudioDeviceID id_, int frames_) : id(id_), frames(frames_) {
    SDL_PauseAudioDevice(id, 0); // runs from now on, silent until a stream plays
  }
  ~SdlDevice() override {
    SDL_CloseAudioDevice(id); // waits for the audio thread: no callback runs after it
    SDL_AudioQuit();
  }
  int BufferFrames() const override { return frames; }

private:
  SDL_AudioDeviceID id;
  int frames;
};

} // namespace

std::unique_ptr<Device> OpenDevice(int output, int driver, Mixer *mixer, std::vector<std::string> *devices,
                                   std::string *why) {
  snd_lib_error_set_handler(IgnoreAlsaError);
  const auto note = [why](const char *name) {
    *why += std::string(why->empty() ? "" : "; ") + (name != nullptr ? name : "?") + ": " + SDL_GetError();
  };
  for (const char *name : DriversFor(output)) {
    if (SDL_AudioInit(name) != 0) {
      note(name != nullptr ? name : SDL_getenv("SDL_AUDIODRIVER"));
      continue;
    }
    bool firstIsDefault = false;
    std::vector<std::string> names = ListDevices(&firstIsDefault);
    const bool listed = driver >= 0 && driver < int(names.size());
    // The default device follows the desktop's routing when opened by no name.
    const char *device = listed && !(driver == 0 && firstIsDefault) ? names[size_t(driver)].c_str() : nullptr;
    // sndio without its server falls back to ALSA, already tried before it,
    // and says so on stderr: it is reached through its server only.
    const bool sndio = std::strcmp(SDL_GetCurrentAudioDriver(), "sndio") == 0;
    if (sndio)
      device = "snd/default";
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = mixer->Rate();
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = Uint16(BufferFramesFor(mixer->Rate()));
    wanted.callback = FillBuffer;
    wanted.userdata = mixer;
    SDL_AudioSpec obtained;
    // No changes allowed: SDL converts to whatever the hardware takes, so the
    // mixer always sees its own rate and buffer length.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(device, 0, &wanted, &obtained, 0);
    if (id == 0 && device != nullptr && !sndio)
      id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (id != 0) {
      *devices = std::move(names);
      return std::unique_ptr<Device>(new SdlDevice(id, obtained.samples));
    }
    note(SDL_GetCurrentAudioDriver());
    SDL_AudioQuit();
  }
  return nullptr;
}

} // namespace platform::sound
