// SPDX-License-Identifier: MIT
// The FSOUND calls, the same on every system: arguments and errors, the
// output's lifetime, channels and streams, the offline pull. What opens a
// device and what decodes MP3 is the back end's (backend.h).
#include "common/sound/backend.h"
#include "common/sound/mixer.h"
#include "common/sound/stream.h"

#include "platform/fsound.h"
#include "platform/tap.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
using platform::sound::Device;
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
  std::unique_ptr<Mixer> mixer;         // from FSOUND_Init to FSOUND_Close
  std::unique_ptr<Device> device;       // the open output; none with no sound or offline
  std::vector<std::string> devices;     // the device list of the open output
  std::vector<FSOUND_STREAM *> streams; // open streams, owned
};
Library library;

template <typename Result> Result Fail(int code, Result result) {
  library.error = code;
  return result;
}

// The most frames the mixer sums in one step, whatever a device's buffer.
constexpr size_t kMixStepFrames = 1024;

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
  library.mixer.reset(new Mixer(mixRate, maxSoftwareChannels, kMixStepFrames));

  const bool automatic = library.output == -1;
  const int output = automatic ? FSOUND_OUTPUT_DSOUND : library.output;
  library.pulling = library.pullMode && output != FSOUND_OUTPUT_NOSOUND;
  std::string why;
  if (output != FSOUND_OUTPUT_NOSOUND && !library.pulling)
    library.device = platform::sound::OpenDevice(output, library.driver, library.mixer.get(), &library.devices, &why);
  if (library.device != nullptr)
    counts.bufferFrames = library.device->BufferFrames();
  if (output != FSOUND_OUTPUT_NOSOUND && !library.pulling && library.device == nullptr) {
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
  library.initialised = true;
  library.error = FSOUND_ERR_NONE;
  return 1;
}

void FSOUND_Close(void) {
  if (!library.initialised)
    return;
  library.device.reset(); // stops the device's thread: no Mix runs after this
  for (FSOUND_STREAM *stream : library.streams)
    delete stream;
  library.streams.clear();
  library.mixer.reset();
  library.devices.clear();
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
  std::lock_guard<std::mutex> hold(mixer.lock);
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
    std::lock_guard<std::mutex> hold(library.mixer->lock);
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

bool PlatformDecodeMp3(const void *data, size_t length, int16_t **samples, size_t *sampleCount, int *rate,
                       int *channels) {
  if (samples != nullptr)
    *samples = nullptr;
  *sampleCount = 0;
  int error = 0;
  std::unique_ptr<platform::sound::Decoder> decoder =
      data != nullptr && length > 0
          ? platform::sound::OpenDecoder(static_cast<const unsigned char *>(data), length, &error)
          : nullptr;
  if (decoder == nullptr)
    return false;
  *rate = decoder->Rate();
  *channels = decoder->Channels();
  // Without `samples` each piece is dropped once counted: a measure of the
  // decoder's own cost, without the memory of a whole track. A format change
  // is not followed: the reference covers one format.
  std::vector<int16_t> pcm;
  size_t counted = 0;
  for (;;) {
    const platform::sound::DecodeStatus status = decoder->Decode(&pcm);
    if (samples == nullptr) {
      counted += pcm.size();
      pcm.clear();
    }
    if (status != platform::sound::DecodeStatus::kMore && status != platform::sound::DecodeStatus::kNewFormat)
      break;
  }
  *sampleCount = samples != nullptr ? pcm.size() : counted;
  if (samples != nullptr) {
    *samples = static_cast<int16_t *>(std::malloc(std::max<size_t>(1, pcm.size()) * sizeof(int16_t)));
    if (*samples == nullptr) {
      *sampleCount = 0;
      return false;
    }
    std::memcpy(*samples, pcm.data(), pcm.size() * sizeof(int16_t));
  }
  return true;
}
