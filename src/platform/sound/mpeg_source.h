// Opens MPEG audio with libmpg123, from a memory block read in place or from a
// file, set up alike for streams and for the reference decoding.
#pragma once
#include <cstddef>

struct mpg123_handle_struct;

namespace platform::sound {

// A read cursor over a caller's block; it must outlive the decoder using it.
struct MemoryCursor {
  const unsigned char *data; // the caller's block: read, never written or freed
  size_t length;             // bytes in it
  size_t position;           // next byte to read
};

struct MpegSource {
  mpg123_handle_struct *decoder; // open and checked; 16-bit signed output
  long rate;                     // Hz of the first frame
  int channels;                  // 1 or 2
};

// Opens `cursor` (memory) or `path` (when cursor is NULL) and reads far enough
// to know the format. False with *error an FSOUND error code.
bool OpenMpegSource(MemoryCursor *cursor, const char *path, MpegSource *source, int *error);
void CloseMpegSource(MpegSource *source);

} // namespace platform::sound
