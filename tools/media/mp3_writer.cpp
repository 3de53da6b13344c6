// SPDX-License-Identifier: MIT
// MP3 encoding of the soundtrack, over LAME.
#include "mp3_writer.h"

#include <lame/lame.h>

#include <algorithm>

namespace media {

bool EncodeMp3(const std::vector<float> &stereo, std::vector<uint8_t> *mp3, std::string *error) {
  lame_global_flags *lame = lame_init();
  if (!lame) {
    *error = "cannot start the MP3 encoder";
    return false;
  }
  lame_set_in_samplerate(lame, 44100);
  lame_set_out_samplerate(lame, 44100);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, kMp3Kbps);
  lame_set_quality(lame, 5); // the encoder's default trade of quality for speed
  lame_set_bWriteVbrTag(lame, 1);
  lame_set_write_id3tag_automatic(lame, 0);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    *error = "the MP3 encoder refused its settings";
    return false;
  }
  mp3->clear();
  const int chunk = 8192; // frames per call
  std::vector<uint8_t> buffer(size_t(chunk) * 5 / 4 + 7200);
  const size_t frames = stereo.size() / 2;
  for (size_t at = 0; at < frames; at += chunk) {
    int n = int(frames - at < size_t(chunk) ? frames - at : size_t(chunk));
    int written =
        lame_encode_buffer_interleaved_ieee_float(lame, stereo.data() + at * 2, n, buffer.data(), int(buffer.size()));
    if (written < 0) {
      lame_close(lame);
      *error = "the MP3 encoder failed";
      return false;
    }
    mp3->insert(mp3->end(), buffer.begin(), buffer.begin() + written);
  }
  int written = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
  if (written < 0) {
    lame_close(lame);
    *error = "the MP3 encoder failed at the end";
    return false;
  }
  mp3->insert(mp3->end(), buffer.begin(), buffer.begin() + written);
  // The encoder reserved the stream's first frame for the Info frame, which
  // it can only fill in now that it knows the totals.
  size_t tagSize = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
  if (tagSize > 0 && tagSize <= mp3->size())
    std::copy(buffer.begin(), buffer.begin() + long(tagSize), mp3->begin());
  lame_close(lame);
  return true;
}

} // namespace media
