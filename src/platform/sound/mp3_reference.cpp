// libmpg123's own decoding of a whole block, for tests and benchmarks that
// compare what reaches the device with it.
#include "mpeg_source.h"

#include "platform/tap.h"

#include <mpg123.h>

#include <cstdlib>

bool PlatformDecodeMp3(const void *data, size_t length, int16_t **samples, size_t *sampleCount, int *rate,
                       int *channels) {
  if (samples != nullptr)
    *samples = nullptr;
  *sampleCount = 0;
  if (data == nullptr || length == 0)
    return false;
  platform::sound::MemoryCursor cursor{static_cast<const unsigned char *>(data), length, 0};
  platform::sound::MpegSource source{};
  int error = 0;
  if (!platform::sound::OpenMpegSource(&cursor, nullptr, &source, &error))
    return false;
  *rate = int(source.rate);
  *channels = source.channels;
  // Without `samples` the decoding goes through one small buffer: a measure
  // of libmpg123's own cost, without the memory of a whole track.
  const bool keep = samples != nullptr;
  size_t capacity = keep ? 1 << 20 : 1 << 14;
  size_t used = 0;
  size_t counted = 0;
  int16_t *buffer = static_cast<int16_t *>(std::malloc(capacity * sizeof(int16_t)));
  for (;;) {
    if (buffer == nullptr)
      break;
    if (!keep) {
      counted += used;
      used = 0;
    } else if (capacity - used < 8192) {
      int16_t *larger = static_cast<int16_t *>(std::realloc(buffer, capacity * 2 * sizeof(int16_t)));
      if (larger == nullptr) {
        std::free(buffer);
        buffer = nullptr;
        break;
      }
      buffer = larger;
      capacity *= 2;
    }
    size_t bytes = 0;
    const int code = mpg123_read(source.decoder, buffer + used, (capacity - used) * sizeof(int16_t), &bytes);
    used += bytes / sizeof(int16_t);
    // A format change is not followed here: the reference covers one format.
    if (code != MPG123_OK && code != MPG123_NEW_FORMAT)
      break;
  }
  platform::sound::CloseMpegSource(&source);
  if (buffer == nullptr)
    return false;
  *sampleCount = counted + used;
  if (keep)
    *samples = buffer;
  else
    std::free(buffer);
  return true;
}
