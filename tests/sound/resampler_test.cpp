// SPDX-License-Identifier: MIT
// Proves that rate conversion keeps pitch, level and timing, removes what the
// lower rate cannot carry, and does not depend on how the input is cut into
// pieces. (Equal rates and lengths are proved through the mixer, offline.)
#include "common/sound/resampler.h"
#include "support/mp3_maker.h"
#include "support/pcm.h"

#include <gtest/gtest.h>

#include <cmath>

using platform::sound::Resampler;

namespace {

std::vector<int16_t> Convert(const std::vector<int16_t> &in, int inRate, int channels, int outRate, size_t piece = 0) {
  Resampler resampler(inRate, channels, outRate);
  std::vector<int16_t> out;
  std::vector<int16_t> buffer(2 * 1000);
  const size_t frames = in.size() / size_t(channels);
  auto drain = [&] {
    while (size_t got = resampler.Take(buffer.data(), 1000))
      out.insert(out.end(), buffer.begin(), buffer.begin() + ptrdiff_t(got * 2));
  };
  // Uneven pieces, 1 to `piece` frames, when asked for.
  size_t step = 1;
  for (size_t done = 0; done < frames;) {
    const size_t count = piece == 0 ? frames : std::min(frames - done, step);
    resampler.Put(in.data() + done * size_t(channels), count);
    done += count;
    if (piece != 0)
      step = step % piece + 7;
    drain();
  }
  resampler.Finish();
  drain();
  return out;
}

double Rms(const std::vector<int16_t> &stereo, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from * 2; i < to * 2; ++i)
    sum += double(stereo[i]) * stereo[i];
  return std::sqrt(sum / double((to - from) * 2));
}

} // namespace

TEST(Resampler, ResultDoesNotDependOnHowInputIsSplit) {
  soundtest::Signal signal;
  signal.seconds = 0.3;
  const std::vector<int16_t> in = soundtest::Tones(signal);
  for (int to : {48000, 22050, 11025}) {
    const std::vector<int16_t> whole = Convert(in, 44100, 2, to);
    EXPECT_EQ(Convert(in, 44100, 2, to, 61), whole) << "to " << to;
    EXPECT_EQ(Convert(in, 44100, 2, to, 1500), whole) << "to " << to;
  }
}

TEST(Resampler, ToneKeepsItsPitchLevelAndTiming) {
  soundtest::Signal signal;
  signal.seconds = 1;
  signal.leftHz = 1000;
  signal.rightHz = 3000;
  const std::vector<int16_t> in = soundtest::Tones(signal);
  for (int to : {48000, 22050, 11025}) {
    const std::vector<int16_t> out = Convert(in, 44100, 2, to);
    soundtest::Signal ideal = signal;
    ideal.rate = to;
    const std::vector<int16_t> expected = soundtest::Tones(ideal);
    const size_t frames = std::min(out.size(), expected.size()) / 2;
    const size_t from = frames / 10, end = frames - frames / 10;
    EXPECT_NEAR(soundtest::ToneHz(out, 0, from, end, to), 1000, 3) << "to " << to;
    EXPECT_NEAR(soundtest::ToneHz(out, 1, from, end, to), 3000, 5) << "to " << to;
    EXPECT_NEAR(Rms(out, from, end) / Rms(expected, from, end), 1.0, 0.01) << "to " << to;
    // Same instants as a tone made at the new rate: no delay, no drift.
    EXPECT_GT(soundtest::Correlation(out, from, expected, from, end - from), 0.999) << "to " << to;
  }
}

TEST(Resampler, ContentAboveTheLowerNyquistIsRemoved) {
  soundtest::Signal signal;
  signal.seconds = 0.5;
  signal.leftHz = 15000; // above 11025 Hz, the Nyquist frequency of 22050
  signal.rightHz = 18000;
  const std::vector<int16_t> in = soundtest::Tones(signal);
  const std::vector<int16_t> out = Convert(in, 44100, 2, 22050);
  const size_t frames = out.size() / 2;
  EXPECT_LT(Rms(out, frames / 10, frames - frames / 10), Rms(in, 1000, in.size() / 2 - 1000) * 0.01);
}
