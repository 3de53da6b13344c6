// SPDX-License-Identifier: MIT
// MP3 decoding with libmpg123: quiet, 16-bit output at the track's own rate,
// reading the caller's block in place.
#include "common/sound/backend.h"

#include "platform/fsound.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform::sound {
namespace {

// Bytes asked of libmpg123 per read: a few MP3 frames.
constexpr size_t kDecodeBytes = 16384;

class Mpg123Decoder : public Decoder {
public:
  Mpg123Decoder(const unsigned char *data_, size_t length_) : data(data_), length(length_) {}
  ~Mpg123Decoder() override {
    if (handle != nullptr)
      mpg123_delete(handle); // closes it; the block is not read again
  }

  // Opens the block and reads far enough to know the format.
  bool Open(int *error) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });
    int code = MPG123_OK;
    handle = mpg123_new(nullptr, &code);
    if (handle == nullptr) {
      *error = FSOUND_ERR_MEMORY;
      return false;
    }
    // Every rate the library knows, mono or stereo, always as 16-bit samples.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(handle);
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
      mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    code = mpg123_replace_reader_handle(handle, Read, Seek, nullptr);
    if (code == MPG123_OK)
      code = mpg123_open_handle(handle, this);
    if (code != MPG123_OK || !ReadFormat()) {
      *error = FSOUND_ERR_FILE_FORMAT;
      return false;
    }
    return true;
  }

  int Rate() const override { return rate; }
  int Channels() const override { return channels; }

  DecodeStatus Decode(std::vector<int16_t> *out) override {
    const size_t before = out->size();
    out->resize(before + kDecodeBytes / sizeof(int16_t));
    size_t bytes = 0;
    const int code = mpg123_read(handle, out->data() + before, kDecodeBytes, &bytes);
    out->resize(before + bytes / sizeof(int16_t));
    if (code == MPG123_OK)
      return DecodeStatus::kMore;
    if (code == MPG123_NEW_FORMAT) {
      const int oldRate = rate, oldChannels = channels;
      if (!ReadFormat()) // a format this layer cannot play: keep the old one
        rate = oldRate, channels = oldChannels;
      return DecodeStatus::kNewFormat;
    }
    return code == MPG123_DONE ? DecodeStatus::kEnded : DecodeStatus::kBroken;
  }

  bool Rewind() override { return mpg123_seek(handle, 0, SEEK_SET) >= 0; }

private:
  bool ReadFormat() {
    long newRate = 0;
    int newChannels = 0, encoding = 0;
    if (mpg123_getformat(handle, &newRate, &newChannels, &encoding) != MPG123_OK || newRate <= 0 ||
        (newChannels != 1 && newChannels != 2) || encoding != MPG123_ENC_SIGNED_16)
      return false;
    rate = int(newRate);
    channels = newChannels;
    return true;
  }

  static mpg123_ssize_t Read(void *self, void *buffer, size_t bytes) {
    Mpg123Decoder &decoder = *static_cast<Mpg123Decoder *>(self);
    const size_t count = std::min(bytes, decoder.length - decoder.position);
    std::memcpy(buffer, decoder.data + decoder.position, count);
    decoder.position += count;
    return mpg123_ssize_t(count);
  }

  static off_t Seek(void *self, off_t offset, int whence) {
    Mpg123Decoder &decoder = *static_cast<Mpg123Decoder *>(self);
    off_t base = 0;
    if (whence == SEEK_CUR)
      base = off_t(decoder.position);
    else if (whence == SEEK_END)
      base = off_t(decoder.length);
    else if (whence != SEEK_SET)
      return -1;
    const off_t target = base + offset;
    if (target < 0 || uint64_t(target) > decoder.length)
      return -1;
    decoder.position = size_t(target);
    return target;
  }

  const unsigned char *data; // the caller's block: read, never written or freed
  size_t length;             // bytes in it
  size_t position = 0;       // next byte libmpg123 reads
  mpg123_handle *handle = nullptr;
  int rate = 0;
  int channels = 0;
};

} // namespace

std::unique_ptr<Decoder> OpenDecoder(const unsigned char *data, size_t length, int *error) {
  std::unique_ptr<Mpg123Decoder> decoder(new Mpg123Decoder(data, length));
  if (!decoder->Open(error))
    return nullptr;
  return decoder;
}

} // namespace platform::sound
