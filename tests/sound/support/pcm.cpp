// SPDX-License-Identifier: MIT
// PCM helpers for the sound tests.
#include "support/pcm.h"

#include "platform/tap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace soundtest {

std::vector<int16_t> ReadRawStereo(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 4 * 2);
  std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char *>(samples.data()));
  return samples;
}

Pcm ReferenceDecode(const std::vector<unsigned char> &mp3) {
  Pcm pcm;
  int16_t *samples = nullptr;
  size_t count = 0;
  if (PlatformDecodeMp3(mp3.data(), mp3.size(), &samples, &count, &pcm.rate, &pcm.channels)) {
    pcm.samples.assign(samples, samples + count);
    std::free(samples);
  }
  return pcm;
}

size_t FirstSoundFrame(const std::vector<int16_t> &stereo) {
  const size_t frames = stereo.size() / 2;
  for (size_t i = 0; i < frames; ++i)
    if (stereo[i * 2] != 0 || stereo[i * 2 + 1] != 0)
      return i;
  return frames;
}

size_t EndSoundFrame(const std::vector<int16_t> &stereo) {
  for (size_t i = stereo.size() / 2; i > 0; --i)
    if (stereo[i * 2 - 2] != 0 || stereo[i * 2 - 1] != 0)
      return i;
  return 0;
}

double Correlation(const std::vector<int16_t> &a, size_t aFrom, const std::vector<int16_t> &b, size_t bFrom,
                   size_t frames) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  const size_t n = frames * 2;
  for (size_t i = 0; i < n; ++i) {
    const double x = a[aFrom * 2 + i];
    const double y = b[bFrom * 2 + i];
    sa += x;
    sb += y;
    saa += x * x;
    sbb += y * y;
    sab += x * y;
  }
  const double cov = sab - sa * sb / n;
  const double va = saa - sa * sa / n;
  const double vb = sbb - sb * sb / n;
  return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0.0;
}

double ToneHz(const std::vector<int16_t> &stereo, int channel, size_t from, size_t to, int rate) {
  size_t crossings = 0;
  for (size_t i = from + 1; i < to; ++i)
    if (stereo[(i - 1) * 2 + channel] < 0 && stereo[i * 2 + channel] >= 0)
      ++crossings;
  return to > from ? double(crossings) * rate / double(to - from) : 0.0;
}

} // namespace soundtest
