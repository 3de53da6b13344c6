// SPDX-License-Identifier: MIT
// What a system's sound back end gives the FSOUND front (fsound.cpp): an
// output device that the mixer feeds, and an MP3 decoder. Everything else of
// FSOUND (arguments and errors, channels, streams, resampling, mixing, the
// offline pull) is written once, over these two.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::sound {

class Mixer;

// An open output. From the moment it is returned until it is destroyed, a
// thread of the device's own fills each of its buffers with mixer->Mix (or,
// on a system without threads, the system's callbacks between the program's
// own calls).
class Device {
public:
  virtual ~Device() = default; // stops that thread or callback: no Mix runs once this returns
  // Sample frames one Mix call fills (what PlatformGetSoundCounts reports).
  virtual int BufferFrames() const = 0;
};

// Opens output type 1 to 3 (FSOUND_OUTPUT_WINMM .. FSOUND_OUTPUT_A3D) as 16-bit
// stereo at the mixer's rate, on device `driver` of that type's list; an
// index the list does not hold, or a device that does not open, gives way to
// the system's default device. On success *devices holds the type's device
// list, the default first where the system names it. NULL when no device
// opens at all; *why then says why, a few words per driver tried.
std::unique_ptr<Device> OpenDevice(int output, int driver, Mixer *mixer, std::vector<std::string> *devices,
                                   std::string *why);

enum class DecodeStatus {
  kMore,      // call Decode again
  kNewFormat, // Rate() or Channels() changed, for the samples of later calls
  kEnded,     // the end of the track
  kBroken,    // data that no longer decodes: the end too, but not a place to loop from
};

// MPEG audio to interleaved 16-bit samples at the track's own rate. Runs on
// the stream's decoder thread once opened (see OwnThread).
class Decoder {
public:
  virtual ~Decoder() = default;
  virtual int Rate() const = 0;     // Hz of the samples Decode gives now
  virtual int Channels() const = 0; // 1 or 2
  // Appends the next samples, in the format known before the call, to *out.
  virtual DecodeStatus Decode(std::vector<int16_t> *out) = 0;
  // Back to the first frame, for a looping stream; false where it cannot.
  virtual bool Rewind() = 0;
  // Whether the stream may run Decode on a thread of its own. A back end
  // without threads answers false: its streams then decode on the program's
  // thread, when opened and whenever the mixer wants frames they lack, so
  // Decode must be quick there (a slice of samples decoded before).
  virtual bool OwnThread() const { return true; }
};

// A decoder over `length` bytes at `data`, read in place: the block is
// neither copied nor freed and must outlive the decoder. The format is known
// when this returns. NULL with *error an FSOUND error code:
// FSOUND_ERR_FILE_FORMAT for data that is not MPEG audio.
std::unique_ptr<Decoder> OpenDecoder(const unsigned char *data, size_t length, int *error);

} // namespace platform::sound
