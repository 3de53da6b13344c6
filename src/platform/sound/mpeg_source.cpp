// libmpg123 set-up shared by the streams and the reference decoding: quiet,
// 16-bit output at the track's own rate, reading a block in place or a file.
#include "mpeg_source.h"

#include "platform/fsound.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform::sound {
namespace {

mpg123_ssize_t ReadMemory(void *handle, void *buffer, size_t bytes) {
  MemoryCursor *cursor = static_cast<MemoryCursor *>(handle);
  const size_t count = std::min(bytes, cursor->length - cursor->position);
  std::memcpy(buffer, cursor->data + cursor->position, count);
  cursor->position += count;
  return mpg123_ssize_t(count);
}

off_t SeekMemory(void *handle, off_t offset, int whence) {
  MemoryCursor *cursor = static_cast<MemoryCursor *>(handle);
  off_t base = 0;
  if (whence == SEEK_CUR)
    base = off_t(cursor->position);
  else if (whence == SEEK_END)
    base = off_t(cursor->length);
  else if (whence != SEEK_SET)
    return -1;
  const off_t target = base + offset;
  if (target < 0 || uint64_t(target) > cursor->length)
    return -1;
  cursor->position = size_t(target);
  return target;
}

} // namespace

bool OpenMpegSource(MemoryCursor *cursor, const char *path, MpegSource *source, int *error) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });

  int code = MPG123_OK;
  mpg123_handle *decoder = mpg123_new(nullptr, &code);
  if (decoder == nullptr) {
    *error = FSOUND_ERR_MEMORY;
    return false;
  }
  // Every rate the library knows, mono or stereo, always as 16-bit samples.
  mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(decoder);
  const long *rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i)
    mpg123_format(decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

  if (cursor != nullptr) {
    code = mpg123_replace_reader_handle(decoder, ReadMemory, SeekMemory, nullptr);
    if (code == MPG123_OK)
      code = mpg123_open_handle(decoder, cursor);
  } else {
    // mpg123_open does not tell a missing file from a bad one.
    FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
      mpg123_delete(decoder);
      *error = FSOUND_ERR_FILE_NOTFOUND;
      return false;
    }
    std::fclose(file);
    code = mpg123_open(decoder, path);
  }
  int channels = 0;
  int encoding = 0;
  long rate = 0;
  if (code == MPG123_OK)
    code = mpg123_getformat(decoder, &rate, &channels, &encoding);
  if (code != MPG123_OK || (channels != 1 && channels != 2) || encoding != MPG123_ENC_SIGNED_16 || rate <= 0) {
    mpg123_delete(decoder);
    *error = FSOUND_ERR_FILE_FORMAT;
    return false;
  }
  source->decoder = decoder;
  source->rate = rate;
  source->channels = channels;
  return true;
}

void CloseMpegSource(MpegSource *source) {
  if (source->decoder != nullptr)
    mpg123_delete(source->decoder); // closes it; the cursor is not read again
  source->decoder = nullptr;
}

} // namespace platform::sound
