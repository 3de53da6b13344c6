// Proves that the soundtrack decodes (libmpg123, the decoder under the show's
// sound layer) to 128 seconds of 44.1 kHz stereo at 128 to 192 kbit/s, whose
// peak stays below full scale and none of whose sections is silent.
#include "media_files.h"
#include "score.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Decoded {
  long rate = 0;
  int channels = 0;
  int kbps = 0;
  std::vector<float> samples; // interleaved
};

// Decodes the whole file to 32-bit floats (which may exceed 1 if the encoder
// overshot; integer output would hide that by clipping).
bool DecodeMp3(const std::string &path, Decoded *out, std::string *error) {
  int err = MPG123_OK;
  mpg123_handle *mh = mpg123_new(nullptr, &err);
  if (!mh) {
    *error = "cannot start libmpg123";
    return false;
  }
  const long *rates;
  size_t count;
  mpg123_rates(&rates, &count);
  mpg123_format_none(mh);
  for (size_t i = 0; i < count; ++i) mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
  bool ok = mpg123_open(mh, path.c_str()) == MPG123_OK;
  if (!ok) *error = "cannot open " + path;
  std::vector<unsigned char> buffer(1 << 16);
  while (ok) {
    size_t done = 0;
    const int rc = mpg123_read(mh, buffer.data(), buffer.size(), &done);
    const float *f = reinterpret_cast<const float *>(buffer.data());
    out->samples.insert(out->samples.end(), f, f + done / sizeof(float));
    if (rc == MPG123_DONE) break;
    if (rc == MPG123_NEW_FORMAT) {
      int encoding;
      mpg123_getformat(mh, &out->rate, &out->channels, &encoding);
    } else if (rc != MPG123_OK) {
      *error = mpg123_strerror(mh);
      ok = false;
    }
  }
  mpg123_frameinfo info;
  if (ok && mpg123_info(mh, &info) == MPG123_OK) out->kbps = info.bitrate;
  mpg123_close(mh);
  mpg123_delete(mh);
  return ok;
}

class SoundtrackDecoding : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    std::string error;
    decoded_ = new Decoded;
    ok_ = DecodeMp3(media_test::MediaPath("zarvox.mp3"), decoded_, &error);
    error_ = error;
  }
  static void TearDownTestSuite() { delete decoded_; }
  void SetUp() override { ASSERT_TRUE(ok_) << error_ << "; build the zarvox_media_files target"; }
  static Decoded *decoded_;
  static bool ok_;
  static std::string error_;
};
Decoded *SoundtrackDecoding::decoded_ = nullptr;
bool SoundtrackDecoding::ok_ = false;
std::string SoundtrackDecoding::error_;

TEST_F(SoundtrackDecoding, Is128SecondsOfStereoAt44100Hz) {
  EXPECT_EQ(decoded_->rate, 44100);
  EXPECT_EQ(decoded_->channels, 2);
  EXPECT_GE(decoded_->kbps, 128);
  EXPECT_LE(decoded_->kbps, 192);
  const double seconds = double(decoded_->samples.size()) / 2 / 44100;
  EXPECT_NEAR(seconds, 128.0, 0.5);
}

TEST_F(SoundtrackDecoding, PeakStaysBelowFullScale) {
  float peak = 0;
  for (float v : decoded_->samples) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 1.0f);
  EXPECT_GT(peak, 0.5f) << "far too quiet for a soundtrack";
}

TEST_F(SoundtrackDecoding, NoSectionIsSilent) {
  const std::vector<float> &x = decoded_->samples;
  for (int s = 0; s < media::kSections; ++s) {
    size_t from = size_t(media::kSectionStarts[s] * 44100) * 2;
    size_t to = std::min(x.size(), size_t(media::kSectionStarts[s + 1] * 44100) * 2);
    ASSERT_LT(from, to);
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
    double rmsDb = 10 * std::log10(sum / double(to - from) + 1e-30);
    EXPECT_GT(rmsDb, -30.0) << "section from " << media::kSectionStarts[s] << " s is near silent";
  }
}

} // namespace
