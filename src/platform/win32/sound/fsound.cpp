// The FSOUND calls over the system's own sound interfaces: output type 1 is
// waveOut, type 2 (the default) DirectSound; type 3 asks for 3D-audio hardware
// that no current system has. One thread per open output mixes the playing
// streams into the device's buffers.
#include "stream.h"

#include "platform/fsound.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// What FSOUND_Init accepts.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 4096;
// Device buffers queued (waveOut) or held in DirectSound's ring: with buffers
// of about 25 ms, the sound starts within a tenth of a second.
constexpr int kBuffers = 4;

// Frames per device buffer: about 25 ms, a power of two, at most 1024.
int BufferFrames(int rate) {
  int frames = 1024;
  while (frames > 128 && frames > rate / 40)
    frames /= 2;
  return frames;
}

// The playing streams summed into one device buffer, on the output's thread.
class Mixer {
public:
  Mixer(int rate_, int channelCount, size_t pieceFrames)
      : rate(rate_), channels(size_t(channelCount), nullptr), sum(pieceFrames * 2), piece(pieceFrames * 2) {}
  int Rate() const { return rate; }
  int ChannelCount() const { return int(channels.size()); }
  // Changed by the program's thread with `lock` held.
  FSOUND_STREAM *Channel(int channel) const { return channels[size_t(channel)]; }
  void SetChannel(int channel, FSOUND_STREAM *stream) { channels[size_t(channel)] = stream; }

  // Fills `frames` (at most the buffer length) stereo frames. A stream whose
  // queue has run out leaves silence or, once decoded to the end, its channel.
  void Mix(int16_t *out, size_t frames) {
    std::lock_guard<std::mutex> hold(lock);
    std::fill_n(sum.begin(), frames * 2, 0);
    for (FSOUND_STREAM *&stream : channels) {
      if (stream == nullptr)
        continue;
      // Read the end mark first: if it is set, whatever the queue lacks will never come.
      const bool decoded = stream->decoded.load(std::memory_order_acquire);
      const size_t got = stream->queue.Read(piece.data(), frames);
      for (size_t i = 0; i < got * 2; ++i)
        sum[i] += piece[i];
      if (got < frames && decoded) {
        stream->channel = -1;
        stream = nullptr;
      }
    }
    for (size_t i = 0; i < frames * 2; ++i)
      out[i] = int16_t(std::clamp(sum[i], int32_t(-32768), int32_t(32767)));
  }

  std::mutex lock; // held for a few instructions by the program's thread, for a buffer by the output's

private:
  int rate;
  std::vector<FSOUND_STREAM *> channels;
  std::vector<int32_t> sum;
  std::vector<int16_t> piece;
};

WAVEFORMATEX StereoFormat(int rate) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = DWORD(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = DWORD(rate) * 4;
  return format;
}

// An open device and the thread that keeps it fed. Destroying it stops the
// thread (no Mix runs after) and closes the device.
class Output {
public:
  virtual ~Output() = default;
};

// waveOut: kBuffers headers written in turn, each refilled when the device
// marks it done (it signals an event).
class WaveOutput : public Output {
public:
  static std::unique_ptr<Output> Open(UINT device, Mixer *mixer, int frames) {
    std::unique_ptr<WaveOutput> output(new WaveOutput(mixer, frames));
    output->event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const WAVEFORMATEX format = StereoFormat(mixer->Rate());
    if (output->event == nullptr || waveOutOpen(&output->device, device, &format, DWORD_PTR(output->event), 0,
                                                CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      output->device = nullptr;
      return nullptr;
    }
    for (int i = 0; i < kBuffers; ++i) {
      WAVEHDR &header = output->headers[i];
      header.lpData = reinterpret_cast<LPSTR>(&output->samples[size_t(i) * size_t(frames) * 2]);
      header.dwBufferLength = DWORD(frames) * 4;
      waveOutPrepareHeader(output->device, &header, sizeof header);
      header.dwFlags |= WHDR_DONE; // free for the first round
    }
    output->thread = std::thread(&WaveOutput::Run, output.get());
    return output;
  }
  ~WaveOutput() override {
    if (thread.joinable()) {
      stopping.store(true);
      SetEvent(event);
      thread.join();
    }
    if (device != nullptr) {
      waveOutReset(device);
      for (WAVEHDR &header : headers)
        waveOutUnprepareHeader(device, &header, sizeof header);
      waveOutClose(device);
    }
    if (event != nullptr)
      CloseHandle(event);
  }

private:
  WaveOutput(Mixer *mixer_, int frames_)
      : mixer(mixer_), frames(frames_), samples(size_t(frames_) * 2 * kBuffers), headers() {}
  void Run() {
    while (!stopping.load()) {
      for (WAVEHDR &header : headers) {
        if ((header.dwFlags & WHDR_DONE) == 0)
          continue;
        header.dwFlags &= ~DWORD(WHDR_DONE);
        mixer->Mix(reinterpret_cast<int16_t *>(header.lpData), size_t(frames));
        waveOutWrite(device, &header, sizeof header);
      }
      WaitForSingleObject(event, 100);
    }
  }

  Mixer *mixer;
  int frames;
  std::vector<int16_t> samples;
  WAVEHDR headers[kBuffers];
  HWAVEOUT device = nullptr;
  HANDLE event = nullptr;
  std::atomic<bool> stopping{false};
  std::thread thread;
};

// DirectSound: a looping secondary buffer of kBuffers pieces; the thread
// refills the pieces the play cursor has left behind.
class DirectSoundOutput : public Output {
public:
  static std::unique_ptr<Output> Open(const GUID *device, Mixer *mixer, int frames) {
    std::unique_ptr<DirectSoundOutput> output(new DirectSoundOutput(mixer, frames));
    if (FAILED(DirectSoundCreate(device, &output->sound, nullptr)))
      return nullptr;
    // The desktop window: the sound is not tied to a window of the show's,
    // which may not exist yet, and goes on when it loses the focus.
    HWND window = GetDesktopWindow();
    WAVEFORMATEX format = StereoFormat(mixer->Rate());
    if (SUCCEEDED(output->sound->SetCooperativeLevel(window, DSSCL_PRIORITY))) {
      // The primary buffer at the mixing rate spares the system a conversion
      // where it has one; where it refuses, it converts.
      DSBUFFERDESC primary = {};
      primary.dwSize = sizeof primary;
      primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
      IDirectSoundBuffer *buffer = nullptr;
      if (SUCCEEDED(output->sound->CreateSoundBuffer(&primary, &buffer, nullptr))) {
        buffer->SetFormat(&format);
        buffer->Release();
      }
    } else if (FAILED(output->sound->SetCooperativeLevel(window, DSSCL_NORMAL))) {
      return nullptr;
    }
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = DWORD(frames) * 4 * kBuffers;
    description.lpwfxFormat = &format;
    if (FAILED(output->sound->CreateSoundBuffer(&description, &output->buffer, nullptr)))
      return nullptr;
    // All but one piece ahead of the play cursor before it starts.
    for (int i = 0; i < kBuffers - 1; ++i)
      output->FillNext();
    if (FAILED(output->buffer->Play(0, 0, DSBPLAY_LOOPING)))
      return nullptr;
    output->thread = std::thread(&DirectSoundOutput::Run, output.get());
    return output;
  }
  ~DirectSoundOutput() override {
    if (thread.joinable()) {
      stopping.store(true);
      thread.join();
    }
    if (buffer != nullptr) {
      buffer->Stop();
      buffer->Release();
    }
    if (sound != nullptr)
      sound->Release();
  }

private:
  DirectSoundOutput(Mixer *mixer_, int frames_) : mixer(mixer_), frames(frames_), piece(size_t(frames_) * 2) {}

  // Mixes the piece at `next` into the buffer.
  void FillNext() {
    mixer->Mix(piece.data(), size_t(frames));
    const DWORD bytes = DWORD(frames) * 4;
    void *first = nullptr, *second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    HRESULT result = buffer->Lock(next, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    if (result == DSERR_BUFFERLOST) {
      buffer->Restore();
      result = buffer->Lock(next, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    }
    if (SUCCEEDED(result)) {
      std::memcpy(first, piece.data(), firstBytes);
      if (second != nullptr)
        std::memcpy(second, reinterpret_cast<const char *>(piece.data()) + firstBytes, secondBytes);
      buffer->Unlock(first, firstBytes, second, secondBytes);
    }
    next = (next + bytes) % (bytes * kBuffers);
  }

  void Run() {
    const DWORD bytes = DWORD(frames) * 4;
    const DWORD total = bytes * kBuffers;
    const DWORD sleep = std::max<DWORD>(1, DWORD(frames) * 1000 / DWORD(mixer->Rate()) / 4);
    while (!stopping.load()) {
      DWORD play = 0, write = 0;
      if (SUCCEEDED(buffer->GetCurrentPosition(&play, &write))) {
        // Pieces between the last one written and the play cursor are free.
        DWORD free = (play + total - next) % total;
        while (free >= bytes && !stopping.load()) {
          FillNext();
          free -= bytes;
        }
      }
      Sleep(sleep);
    }
  }

  Mixer *mixer;
  int frames;
  std::vector<int16_t> piece;
  IDirectSound *sound = nullptr;
  IDirectSoundBuffer *buffer = nullptr;
  DWORD next = 0; // byte offset of the next piece to fill
  std::atomic<bool> stopping{false};
  std::thread thread;
};

struct DirectSoundDevice {
  std::string name;
  bool isDefault; // no GUID: the system's default device
  GUID guid;
};

BOOL CALLBACK AddDirectSoundDevice(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
  auto *devices = static_cast<std::vector<DirectSoundDevice> *>(context);
  devices->push_back({description != nullptr ? description : "", guid == nullptr, guid != nullptr ? *guid : GUID()});
  return TRUE;
}

struct Library {
  // A program that ends without FSOUND_Close must not leave an output thread
  // running on a mixer that static destruction has freed.
  ~Library();

  int output = -1;                      // FSOUND_SetOutput's choice; -1: FSOUND_Init picks
  int driver = 0;                       // FSOUND_SetDriver's choice
  int error = FSOUND_ERR_NONE;          // why the latest failing call failed
  bool initialised = false;             // between FSOUND_Init and FSOUND_Close
  std::unique_ptr<Mixer> mixer;         // from FSOUND_Init to FSOUND_Close
  std::unique_ptr<Output> device;       // the open output, none with no sound
  std::vector<std::string> devices;     // the device list of the open output
  std::vector<FSOUND_STREAM *> streams; // open streams, owned
};
Library library;

template <typename Result> Result Fail(int code, Result result) {
  library.error = code;
  return result;
}

// Opens a device of the output type; false when none opens. The chosen
// device, where it does not open, gives way to the system's default.
bool OpenOutput(int output, int rate) {
  const int frames = BufferFrames(rate);
  const int chosen = library.driver;
  std::vector<std::string> names;
  if (output == FSOUND_OUTPUT_WINMM) {
    const UINT count = waveOutGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
      WAVEOUTCAPSA caps = {};
      names.push_back(waveOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
    }
    const bool listed = chosen >= 0 && chosen < int(count);
    if (listed)
      library.device = WaveOutput::Open(UINT(chosen), library.mixer.get(), frames);
    if (library.device == nullptr)
      library.device = WaveOutput::Open(WAVE_MAPPER, library.mixer.get(), frames);
  } else if (output == FSOUND_OUTPUT_DSOUND) {
    std::vector<DirectSoundDevice> found;
    DirectSoundEnumerateA(AddDirectSoundDevice, &found);
    for (const DirectSoundDevice &device : found)
      names.push_back(device.name);
    const bool listed = chosen >= 0 && chosen < int(found.size()) && !found[size_t(chosen)].isDefault;
    if (listed)
      library.device = DirectSoundOutput::Open(&found[size_t(chosen)].guid, library.mixer.get(), frames);
    if (library.device == nullptr)
      library.device = DirectSoundOutput::Open(nullptr, library.mixer.get(), frames);
  }
  // FSOUND_OUTPUT_A3D: the hardware it drives has not been made for decades.
  if (library.device == nullptr)
    return false;
  library.devices = std::move(names);
  return true;
}

bool IsOpenStream(FSOUND_STREAM *stream) {
  return stream != nullptr &&
         std::find(library.streams.begin(), library.streams.end(), stream) != library.streams.end();
}

const char *OutputName(int output) {
  static const char *const kNames[] = {"no sound", "Windows MM WaveOut", "Direct Sound", "Aureal A3D"};
  return kNames[output];
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
  library.mixer.reset(new Mixer(mixRate, maxSoftwareChannels, size_t(BufferFrames(mixRate))));
  const bool automatic = library.output == -1;
  const int output = automatic ? FSOUND_OUTPUT_DSOUND : library.output;
  if (output != FSOUND_OUTPUT_NOSOUND && !OpenOutput(output, mixRate)) {
    // The program shows no box for this; say on stderr why it is silent.
    std::fprintf(stderr, "FSOUND: no sound device opens for output type %d (%s)%s\n", output, OutputName(output),
                 automatic ? "; going on without sound" : "");
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
  library.device.reset(); // joins the output's thread: no Mix runs after this
  for (FSOUND_STREAM *stream : library.streams)
    delete stream;
  library.streams.clear();
  library.mixer.reset();
  library.devices.clear();
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
