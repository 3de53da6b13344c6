// MPEG Layer-3 decoding through the system's Audio Compression Manager codec:
// the frames of a block in memory, read in place, to 16-bit PCM at the track's
// own rate and channel count.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct HACMSTREAM__;

namespace platform::sound {

class AcmDecoder {
public:
  AcmDecoder() = default;
  ~AcmDecoder();
  AcmDecoder(const AcmDecoder &) = delete;
  AcmDecoder &operator=(const AcmDecoder &) = delete;

  // Finds the first Layer-3 frame (past an ID3v2 tag and the encoder's
  // information frame) and opens the codec for its format. False with *error
  // an FSOUND error code: FSOUND_ERR_FILE_FORMAT for data with no Layer-3
  // frames or a format the codec does not take.
  bool Open(const unsigned char *data, size_t length, int *error);
  // Appends the next decoded samples (interleaved) to `out`; false once the
  // whole block has been decoded and the codec emptied.
  bool Decode(std::vector<int16_t> *out);
  // Back to the first frame, for a looping stream.
  void Rewind();

  int Rate() const { return rate; }
  int Channels() const { return channels; }

private:
  const unsigned char *data = nullptr;
  size_t length = 0;
  size_t first = 0;    // offset of the first frame handed to the codec
  size_t position = 0; // next byte not yet handed to the codec
  int rate = 0;
  int channels = 0;
  HACMSTREAM__ *stream = nullptr;
  std::vector<unsigned char> input;  // bytes handed to the codec, from the start of the buffer
  size_t inputUsed = 0;              // of `input`, bytes that hold data
  std::vector<unsigned char> output; // one conversion's PCM
  bool starting = true;              // the next conversion restarts the codec
  bool finished = false;             // the end was converted
  // The encoder's delay and padding, where its tag names them: the frames
  // dropped at the start and the length kept, as libmpg123 does on Linux.
  uint64_t skipFrames = 0; // at the start of the codec's output
  uint64_t keepFrames = 0; // in all; 0: no tag, everything is kept
  uint64_t frameCount = 0; // frames of the codec's output seen since the top
};

// The whole block decoded at once; false (and `samples` empty) for data the
// codec does not decode. For tests and tools.
bool DecodeMp3WithAcm(const void *data, size_t length, std::vector<int16_t> *samples, int *rate, int *channels);

} // namespace platform::sound
