// SPDX-License-Identifier: MIT
// FSOUND's output types over the system's own sound interfaces: type 1 is
// waveOut, type 2 (the default) DirectSound; type 3 asks for 3D-audio
// hardware that no current system has. Each open output has a thread of its
// own that mixes into the device's buffers.
//
// Buffers are sized by time, not by frames: the device always holds tens of
// milliseconds of mixed sound ahead of what it plays, in pieces of kPieceMs,
// so that the mixing thread may be held up that long (by the scheduler, or by
// a system layer such as Wine that moves the sound on in steps of its own)
// before anything is heard of it. What is mixed is always played: a stream's
// frames are taken only for sound the device has not played yet, so a late
// thread leaves a short silence, never a jump in the music.
#include "common/sound/backend.h"
#include "common/sound/mixer.h"

#include "platform/fsound.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace platform::sound {
namespace {

constexpr int kPieceMs = 10;      // one Mix call
constexpr int kWaveAheadMs = 80;  // waveOut: queued in pieces
constexpr int kSoundAheadMs = 40; // DirectSound: mixed ahead of its play cursor
// DirectSound's looping buffer: far longer than what is kept ahead of its
// play cursor, so that a late thread finds the cursor in the silence after
// the sound it wrote, not a lap on in sound it wrote before.
constexpr int kRingMs = 1000;

int PieceFrames(int rate) {
  return std::max(32, rate * kPieceMs / 1000);
}

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

// The device's thread is the one place where lateness is heard.
void RaiseThreadPriority() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

// waveOut: a queue of pieces, each written again once the device returns it
// (it signals an event).
class WaveOutDevice : public Device {
public:
  static std::unique_ptr<Device> Open(UINT id, Mixer *mixer) {
    std::unique_ptr<WaveOutDevice> device(new WaveOutDevice(mixer));
    device->event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const WAVEFORMATEX format = StereoFormat(mixer->Rate());
    if (device->event == nullptr ||
        waveOutOpen(&device->wave, id, &format, DWORD_PTR(device->event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      device->wave = nullptr;
      return nullptr;
    }
    for (size_t i = 0; i < device->headers.size(); ++i) {
      WAVEHDR &header = device->headers[i];
      header.lpData = reinterpret_cast<LPSTR>(&device->samples[i * size_t(device->frames) * 2]);
      header.dwBufferLength = DWORD(device->frames) * 4;
      waveOutPrepareHeader(device->wave, &header, sizeof header);
      header.dwFlags |= WHDR_DONE; // free for the first round
    }
    device->thread = std::thread(&WaveOutDevice::Run, device.get());
    return device;
  }
  ~WaveOutDevice() override {
    if (thread.joinable()) {
      stopping.store(true);
      SetEvent(event);
      thread.join();
    }
    if (wave != nullptr) {
      waveOutReset(wave);
      for (WAVEHDR &header : headers)
        waveOutUnprepareHeader(wave, &header, sizeof header);
      waveOutClose(wave);
    }
    if (event != nullptr)
      CloseHandle(event);
  }
  int BufferFrames() const override { return frames; }

private:
  explicit WaveOutDevice(Mixer *mixer_)
      : mixer(mixer_), frames(PieceFrames(mixer_->Rate())), headers(size_t(kWaveAheadMs / kPieceMs)),
        samples(size_t(frames) * 2 * headers.size()) {}

  void Run() {
    RaiseThreadPriority();
    while (!stopping.load()) {
      for (WAVEHDR &header : headers) {
        if ((header.dwFlags & WHDR_DONE) == 0)
          continue;
        header.dwFlags &= ~DWORD(WHDR_DONE);
        mixer->Mix(reinterpret_cast<int16_t *>(header.lpData), size_t(frames), false);
        waveOutWrite(wave, &header, sizeof header);
      }
      WaitForSingleObject(event, kPieceMs * 4);
    }
  }

  Mixer *mixer;
  int frames; // per piece
  std::vector<WAVEHDR> headers;
  std::vector<int16_t> samples; // the pieces, one after the other
  HWAVEOUT wave = nullptr;
  HANDLE event = nullptr;
  std::atomic<bool> stopping{false};
  std::thread thread;
};

// DirectSound: a looping secondary buffer of kRingMs. The thread keeps the
// kSoundAheadMs after the play cursor mixed, and clears what the cursor left
// behind half a ring ago, so that a thread late by more than that finds
// silence ahead of the cursor, not sound from a lap before.
class DirectSoundDevice : public Device {
public:
  static std::unique_ptr<Device> Open(const GUID *guid, Mixer *mixer) {
    std::unique_ptr<DirectSoundDevice> device(new DirectSoundDevice(mixer));
    if (FAILED(DirectSoundCreate(guid, &device->sound, nullptr)))
      return nullptr;
    // The desktop window: the sound is not tied to a window of the show's,
    // which may not exist yet, and goes on when it loses the focus. Normal
    // level: the primary buffer keeps the system's format, which the system
    // mixes to anyway (under Wine, setting ours brought a resampling of its
    // own into the sound).
    if (FAILED(device->sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_NORMAL)))
      return nullptr;
    WAVEFORMATEX format = StereoFormat(mixer->Rate());
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = device->ringBytes;
    description.lpwfxFormat = &format;
    if (FAILED(device->sound->CreateSoundBuffer(&description, &device->buffer, nullptr)))
      return nullptr;
    device->Clear(0, device->ringBytes);
    if (FAILED(device->buffer->Play(0, 0, DSBPLAY_LOOPING)))
      return nullptr;
    device->thread = std::thread(&DirectSoundDevice::Run, device.get());
    return device;
  }
  ~DirectSoundDevice() override {
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
  int BufferFrames() const override { return frames; }

private:
  explicit DirectSoundDevice(Mixer *mixer_)
      : mixer(mixer_), frames(PieceFrames(mixer_->Rate())), pieceBytes(DWORD(frames) * 4),
        ringBytes(DWORD(mixer_->Rate() * kRingMs / 1000) * 4),
        aheadBytes(DWORD(mixer_->Rate() * kSoundAheadMs / 1000) * 4), piece(size_t(frames) * 2) {}

  // Copies `bytes` of `data` (NULL: silence) into the ring at `at`, wrapping.
  void Put(DWORD at, const void *data, DWORD bytes) {
    void *first = nullptr, *second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    HRESULT result = buffer->Lock(at, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    if (result == DSERR_BUFFERLOST && SUCCEEDED(buffer->Restore()))
      result = buffer->Lock(at, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    if (FAILED(result))
      return;
    const char *from = static_cast<const char *>(data);
    if (from != nullptr) {
      std::memcpy(first, from, firstBytes);
      if (second != nullptr)
        std::memcpy(second, from + firstBytes, secondBytes);
    } else {
      std::memset(first, 0, firstBytes);
      if (second != nullptr)
        std::memset(second, 0, secondBytes);
    }
    buffer->Unlock(first, firstBytes, second, secondBytes);
  }
  void Clear(DWORD at, DWORD bytes) { Put(at, nullptr, bytes); }

  DWORD Distance(DWORD from, DWORD to) const { return (to + ringBytes - from) % ringBytes; }

  void Run() {
    RaiseThreadPriority();
    DWORD next = 0;     // where the next piece goes
    DWORD lastPlay = 0; // the play cursor at the previous look
    bool primed = false;
    while (!stopping.load()) {
      DWORD play = 0, write = 0;
      if (SUCCEEDED(buffer->GetCurrentPosition(&play, &write))) {
        // What the cursor played half a ring ago is silence again: a system
        // may read a little behind the cursor it reports (Wine does), so
        // what it has just played is left alone.
        if (play != lastPlay)
          Clear((lastPlay + ringBytes / 2) % ringBytes, Distance(lastPlay, play));
        lastPlay = play;
        // Sound ahead of the cursor runs from it to `next`; more than was
        // ever written ahead means the cursor has passed `next` (the thread
        // was late): go on from where the device may still be written.
        const DWORD safe = Distance(play, write);
        if (!primed || Distance(play, next) > aheadBytes + pieceBytes || Distance(play, next) < safe) {
          next = write;
          primed = true;
        }
        while (Distance(play, next) + pieceBytes <= std::max(aheadBytes, safe + pieceBytes) && !stopping.load()) {
          mixer->Mix(piece.data(), size_t(frames), false);
          Put(next, piece.data(), pieceBytes);
          next = (next + pieceBytes) % ringBytes;
        }
      }
      Sleep(kPieceMs / 2);
    }
  }

  Mixer *mixer;
  int frames;       // per piece
  DWORD pieceBytes; // one piece
  DWORD ringBytes;  // the whole looping buffer
  DWORD aheadBytes; // kept mixed ahead of the play cursor
  std::vector<int16_t> piece;
  IDirectSound *sound = nullptr;
  IDirectSoundBuffer *buffer = nullptr;
  std::atomic<bool> stopping{false};
  std::thread thread;
};

struct DirectSoundEntry {
  std::string name;
  bool isDefault; // no GUID: the system's default device
  GUID guid;
};

BOOL CALLBACK AddDirectSoundEntry(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
  auto *entries = static_cast<std::vector<DirectSoundEntry> *>(context);
  entries->push_back({description != nullptr ? description : "", guid == nullptr, guid != nullptr ? *guid : GUID()});
  return TRUE;
}

} // namespace

std::unique_ptr<Device> OpenDevice(int output, int driver, Mixer *mixer, std::vector<std::string> *devices,
                                   std::string *why) {
  std::unique_ptr<Device> device;
  std::vector<std::string> names;
  if (output == FSOUND_OUTPUT_WINMM) {
    const UINT count = waveOutGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
      WAVEOUTCAPSA caps = {};
      names.push_back(waveOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
    }
    if (driver >= 0 && driver < int(count))
      device = WaveOutDevice::Open(UINT(driver), mixer);
    if (device == nullptr)
      device = WaveOutDevice::Open(WAVE_MAPPER, mixer);
    if (device == nullptr)
      *why = count == 0 ? "waveOut: no device" : "waveOut: no device opens";
  } else if (output == FSOUND_OUTPUT_DSOUND) {
    std::vector<DirectSoundEntry> found;
    DirectSoundEnumerateA(AddDirectSoundEntry, &found);
    for (const DirectSoundEntry &entry : found)
      names.push_back(entry.name);
    if (driver >= 0 && driver < int(found.size()) && !found[size_t(driver)].isDefault)
      device = DirectSoundDevice::Open(&found[size_t(driver)].guid, mixer);
    if (device == nullptr)
      device = DirectSoundDevice::Open(nullptr, mixer);
    if (device == nullptr)
      *why = found.empty() ? "DirectSound: no device" : "DirectSound: no device opens";
  } else {
    // FSOUND_OUTPUT_A3D: the hardware it drives has not been made for decades.
    *why = "Aureal A3D: no such hardware";
  }
  if (device != nullptr)
    *devices = std::move(names);
  return device;
}

} // namespace platform::sound
