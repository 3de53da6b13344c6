// SPDX-License-Identifier: MIT
// Proves that the soundtrack decodes, through the same libmpg123 decoding the
// show's sound layer uses, to 128 seconds of 44.1 kHz stereo at 128 to 192
// kbit/s, whose peak stays below full scale and none of whose sections is
// silent.
#include "media_files.h"
#include "platform/tap.h"
#include "score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

class SoundtrackDecoding : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    mp3_ = new std::vector<uint8_t>(media_test::ReadFile(media_test::MediaPath("zarvox.mp3")));
    int16_t *samples = nullptr;
    size_t count = 0;
    decoded_ = PlatformDecodeMp3(mp3_->data(), mp3_->size(), &samples, &count, &rate_, &channels_);
    pcm_ = new std::vector<int16_t>(samples, samples + count);
    std::free(samples);
  }
  static void TearDownTestSuite() {
    delete mp3_;
    delete pcm_;
  }
  void SetUp() override {
    ASSERT_FALSE(mp3_->empty()) << "no " << media_test::MediaPath("zarvox.mp3") << "; build zarvox_media_files";
    ASSERT_TRUE(decoded_) << "libmpg123 does not take it for MPEG audio";
  }
  static double Seconds() { return double(pcm_->size()) / channels_ / rate_; }

  static std::vector<uint8_t> *mp3_;
  static std::vector<int16_t> *pcm_; // interleaved, as the layer decodes it
  static bool decoded_;
  static int rate_, channels_;
};
std::vector<uint8_t> *SoundtrackDecoding::mp3_ = nullptr;
std::vector<int16_t> *SoundtrackDecoding::pcm_ = nullptr;
bool SoundtrackDecoding::decoded_ = false;
int SoundtrackDecoding::rate_ = 0, SoundtrackDecoding::channels_ = 0;

TEST_F(SoundtrackDecoding, Is128SecondsOfStereoAt44100HzAndAFittingBitRate) {
  EXPECT_EQ(rate_, 44100);
  EXPECT_EQ(channels_, 2);
  EXPECT_NEAR(Seconds(), 128.0, 0.5);
  const double kbps = mp3_->size() * 8 / Seconds() / 1000;
  EXPECT_GE(kbps, 128 * 0.99);
  EXPECT_LE(kbps, 192 * 1.01);
}

TEST_F(SoundtrackDecoding, PeakStaysBelowFullScale) {
  // 16-bit decoding saturates: a sample at either end of the range means the
  // decoded wave wanted to go further.
  int peak = 0;
  for (int16_t v : *pcm_)
    peak = std::max(peak, std::abs(int(v)));
  EXPECT_LT(peak, 32767);
  EXPECT_GT(peak, 16384) << "far too quiet for a soundtrack";
}

TEST_F(SoundtrackDecoding, NoSectionIsSilent) {
  const std::vector<int16_t> &x = *pcm_;
  for (int s = 0; s < media::kSections; ++s) {
    size_t from = size_t(media::kSectionStarts[s] * rate_) * size_t(channels_);
    size_t to = std::min(x.size(), size_t(media::kSectionStarts[s + 1] * rate_) * size_t(channels_));
    ASSERT_LT(from, to);
    double sum = 0;
    for (size_t i = from; i < to; ++i)
      sum += double(x[i]) * x[i];
    const double rmsDb = 10 * std::log10(sum / double(to - from) / (32768.0 * 32768.0) + 1e-30);
    EXPECT_GT(rmsDb, -30.0) << "section from " << media::kSectionStarts[s] << " s is near silent";
  }
}

} // namespace
