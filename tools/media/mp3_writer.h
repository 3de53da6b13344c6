// SPDX-License-Identifier: MIT
// MP3 encoding of the soundtrack, over LAME.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace media {

constexpr int kMp3Kbps = 160; // constant bit rate

// Encodes interleaved stereo floats (-1..1) at 44.1 kHz as a constant-rate
// MPEG-1 Layer III stream with an Info frame first that records the encoder
// delay and padding, so decoders can give back exactly as many samples as
// went in. No ID3 tag. Returns false with a reason in `error` on failure.
bool EncodeMp3(const std::vector<float> &stereo, std::vector<uint8_t> *mp3, std::string *error);

} // namespace media
