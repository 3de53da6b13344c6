// SPDX-License-Identifier: MIT
// MPEG Layer-3 decoding through the system's Audio Compression Manager codec:
// the frames of a block in memory, read in place, to 16-bit PCM at the track's
// own rate and channel count. Frame headers are read here only to tell the
// codec the format.
#include "common/sound/backend.h"

#include "platform/fsound.h"

// clang-format off
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::sound {
namespace {

// Bytes handed to the codec per conversion: a dozen frames or so.
constexpr size_t kInputBytes = 8192;

struct FrameHeader {
  bool mpeg1 = false;
  int rate = 0;
  int channels = 0;
  int kbps = 0;
  size_t bytes = 0;    // the frame, header and padding included
  size_t unpadded = 0; // the frame without its padding byte
};

// A Layer-3 frame header at `p` (4 bytes readable); false for anything else.
bool ReadHeader(const unsigned char *p, FrameHeader *header) {
  static const int kRates[3] = {44100, 48000, 32000};
  static const int kKbpsMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kKbpsMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
    return false;
  const int version = (p[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const int layer = (p[1] >> 1) & 3;   // 1: Layer III
  const int bitrateIndex = p[2] >> 4;
  const int rateIndex = (p[2] >> 2) & 3;
  if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
    return false;
  header->mpeg1 = version == 3;
  header->rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  header->channels = (p[3] >> 6) == 3 ? 1 : 2;
  header->kbps = header->mpeg1 ? kKbpsMpeg1[bitrateIndex] : kKbpsMpeg2[bitrateIndex];
  header->unpadded = size_t((header->mpeg1 ? 144000 : 72000) * header->kbps / header->rate);
  header->bytes = header->unpadded + ((p[2] >> 1) & 1);
  return true;
}

// The first frame at or after `from` that is followed by another of the same
// format (or by the end of the block): a lone sync pattern in a tag or in
// other data is not taken for one. Returns `length` where there is none.
size_t FindFrame(const unsigned char *data, size_t length, size_t from, FrameHeader *header) {
  for (size_t at = from; at + 4 <= length; ++at) {
    if (!ReadHeader(data + at, header))
      continue;
    const size_t next = at + header->bytes;
    FrameHeader following;
    if (next == length || (next + 4 <= length && ReadHeader(data + next, &following) &&
                           following.rate == header->rate && following.mpeg1 == header->mpeg1))
      return at;
  }
  return length;
}

// Every Layer-3 decoder's output lags its input by this many samples.
constexpr uint64_t kDecoderDelay = 529;

uint32_t BigEndian32(const unsigned char *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// An encoder's information frame ("Xing" or "Info" after the side
// information) holds no sound: the decoders on Linux skip it too. Where it
// counts the frames and carries the encoder's delay and padding, *skip and
// *keep tell what of the decoded samples is the track (else they stay 0).
bool ReadInfoFrame(const unsigned char *frame, const FrameHeader &header, size_t available, uint64_t *skip,
                   uint64_t *keep) {
  const size_t side = header.mpeg1 ? (header.channels == 1 ? 17 : 32) : (header.channels == 1 ? 9 : 17);
  size_t at = 4 + side;
  available = std::min(available, header.bytes);
  if (at + 8 > available || (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0))
    return false;
  const uint32_t flags = BigEndian32(frame + at + 4);
  at += 8;
  uint64_t frames = 0;
  if (flags & 1) {
    if (at + 4 > available)
      return true;
    frames = BigEndian32(frame + at);
    at += 4;
  }
  at += (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
  // The encoder's own extension: 21 bytes in, 12 bits of delay, 12 of padding.
  if (frames == 0 || at + 24 > available || std::memcmp(frame + at, "LAME", 4) != 0)
    return true;
  const unsigned char *gap = frame + at + 21;
  const uint64_t delay = uint64_t(gap[0]) << 4 | gap[1] >> 4;
  const uint64_t padding = uint64_t(gap[1] & 0x0F) << 8 | gap[2];
  const uint64_t total = frames * (header.mpeg1 ? 1152 : 576);
  if (delay + padding < total) {
    *skip = delay + kDecoderDelay;
    *keep = total - delay - padding;
  }
  return true;
}

class AcmDecoder : public Decoder {
public:
  AcmDecoder() = default;
  ~AcmDecoder() override;
  AcmDecoder(const AcmDecoder &) = delete;
  AcmDecoder &operator=(const AcmDecoder &) = delete;

  // Finds the first Layer-3 frame (past an ID3v2 tag and the encoder's
  // information frame) and opens the codec for its format. False with *error
  // an FSOUND error code: FSOUND_ERR_FILE_FORMAT for data with no Layer-3
  // frames or a format the codec does not take.
  bool Open(const unsigned char *data, size_t length, int *error);
  // Appends the next decoded samples (interleaved) to `out`; kEnded once the
  // whole block has been decoded and the codec emptied.
  DecodeStatus Decode(std::vector<int16_t> *out) override;
  // Back to the first frame, for a looping stream.
  bool Rewind() override;

  int Rate() const override { return rate; }
  int Channels() const override { return channels; }

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

AcmDecoder::~AcmDecoder() {
  if (stream != nullptr)
    acmStreamClose(reinterpret_cast<HACMSTREAM>(stream), 0);
}

bool AcmDecoder::Open(const unsigned char *data_, size_t length_, int *error) {
  data = data_;
  length = length_;
  size_t start = 0;
  // An ID3v2 tag: ten bytes of header, a size in 7-bit bytes, maybe a footer.
  if (length >= 10 && std::memcmp(data, "ID3", 3) == 0) {
    const size_t tag = (size_t(data[6] & 0x7F) << 21) | (size_t(data[7] & 0x7F) << 14) | (size_t(data[8] & 0x7F) << 7) |
                       size_t(data[9] & 0x7F);
    start = std::min(length, 10 + tag + ((data[5] & 0x10) != 0 ? 10 : 0));
  }
  FrameHeader header;
  start = FindFrame(data, length, start, &header);
  if (start < length && ReadInfoFrame(data + start, header, length - start, &skipFrames, &keepFrames)) {
    const size_t next = start + header.bytes;
    FrameHeader sound;
    if (next + 4 <= length && ReadHeader(data + next, &sound)) {
      start = next;
      header = sound;
    }
  }
  if (start >= length) {
    *error = FSOUND_ERR_FILE_FORMAT;
    return false;
  }
  first = position = start;
  rate = header.rate;
  channels = header.channels;

  MPEGLAYER3WAVEFORMAT mp3 = {};
  mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3.wfx.nChannels = WORD(channels);
  mp3.wfx.nSamplesPerSec = DWORD(rate);
  mp3.wfx.nAvgBytesPerSec = DWORD(header.kbps * 1000 / 8);
  mp3.wfx.nBlockAlign = 1;
  mp3.wfx.wBitsPerSample = 0;
  mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
  mp3.wID = MPEGLAYER3_ID_MPEG;
  mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
  mp3.nBlockSize = WORD(header.unpadded);
  mp3.nFramesPerBlock = 1;
  mp3.nCodecDelay = 0;
  WAVEFORMATEX pcm = {};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  pcm.nChannels = WORD(channels);
  pcm.nSamplesPerSec = DWORD(rate);
  pcm.wBitsPerSample = 16;
  pcm.nBlockAlign = WORD(2 * channels);
  pcm.nAvgBytesPerSec = DWORD(rate * 2 * channels);
  HACMSTREAM opened = nullptr;
  if (acmStreamOpen(&opened, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
    *error = FSOUND_ERR_FILE_FORMAT;
    return false;
  }
  stream = reinterpret_cast<HACMSTREAM__ *>(opened);
  DWORD outputBytes = 0;
  if (acmStreamSize(opened, DWORD(kInputBytes), &outputBytes, ACM_STREAMSIZEF_SOURCE) != 0 || outputBytes == 0)
    outputBytes = DWORD(kInputBytes * 32); // room for the lowest bit rate's worth of samples
  input.resize(kInputBytes);
  output.resize(outputBytes);
  return true;
}

bool AcmDecoder::Rewind() {
  position = first;
  inputUsed = 0;
  starting = true;
  finished = false;
  frameCount = 0;
  return true;
}

DecodeStatus AcmDecoder::Decode(std::vector<int16_t> *out) {
  if (finished || stream == nullptr)
    return DecodeStatus::kEnded;
  const size_t more = std::min(length - position, input.size() - inputUsed);
  std::memcpy(input.data() + inputUsed, data + position, more);
  inputUsed += more;
  position += more;
  const bool last = position == length;

  ACMSTREAMHEADER header = {};
  header.cbStruct = sizeof header;
  header.pbSrc = input.data();
  header.cbSrcLength = DWORD(input.size());
  header.pbDst = output.data();
  header.cbDstLength = DWORD(output.size());
  HACMSTREAM handle = reinterpret_cast<HACMSTREAM>(stream);
  if (acmStreamPrepareHeader(handle, &header, 0) != 0) {
    finished = true;
    return DecodeStatus::kBroken;
  }
  header.cbSrcLength = DWORD(inputUsed);
  // Whole frames only, until the last bytes: then whatever the codec holds.
  DWORD flags = last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
  if (starting)
    flags |= ACM_STREAMCONVERTF_START;
  starting = false;
  const bool converted = acmStreamConvert(handle, &header, flags) == 0;
  const size_t used = converted ? std::min<size_t>(header.cbSrcLengthUsed, inputUsed) : inputUsed;
  const size_t produced = converted ? header.cbDstLengthUsed : 0;
  header.cbSrcLength = DWORD(input.size());
  acmStreamUnprepareHeader(handle, &header, 0);

  // Only the track's own frames: not the encoder's delay nor its padding.
  const uint64_t frames = produced / (sizeof(int16_t) * size_t(channels));
  const uint64_t from = std::min(frames, skipFrames > frameCount ? skipFrames - frameCount : 0);
  uint64_t to = frames;
  if (keepFrames != 0)
    to = std::max(from, std::min(frames, skipFrames + keepFrames - std::min(frameCount, skipFrames + keepFrames)));
  frameCount += frames;
  const size_t samples = size_t(to - from) * size_t(channels);
  const size_t before = out->size();
  out->resize(before + samples);
  std::memcpy(out->data() + before, output.data() + from * sizeof(int16_t) * size_t(channels),
              samples * sizeof(int16_t));
  std::memmove(input.data(), input.data() + used, inputUsed - used);
  inputUsed -= used;
  // The end: every byte converted with the END flag, or data on which the
  // codec makes no more progress (a damaged tail ends the track, as on Linux).
  if (!converted || (last && (inputUsed == 0 || (used == 0 && produced == 0))) ||
      (used == 0 && produced == 0 && inputUsed == input.size()))
    finished = true;
  return finished ? (converted ? DecodeStatus::kEnded : DecodeStatus::kBroken) : DecodeStatus::kMore;
}

} // namespace

std::unique_ptr<Decoder> OpenDecoder(const unsigned char *data, size_t length, int *error) {
  std::unique_ptr<AcmDecoder> decoder(new AcmDecoder);
  if (!decoder->Open(data, length, error))
    return nullptr;
  return decoder;
}

} // namespace platform::sound
