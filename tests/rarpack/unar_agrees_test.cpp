// Proves that an independent extractor (Debian's unar) reads every kind of
// archive the packer writes, byte for byte: normal and solid, with and without
// a password, every compression level, audio mode with 1 to 4 channels. Our
// own reader could share a misreading of the format with the packer; unar
// cannot.
#include <gtest/gtest.h>

#include "pack_fixtures.h"

using namespace packtest;

namespace {

bool have_unar() {
  return TempDir::run("command -v unar >/dev/null 2>&1") == 0;
}

// Packs `set`, extracts it with unar into a fresh folder and compares every file.
void expect_unar_round_trip(const std::vector<Sample> &set, const rarpack::PackOptions &options) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(pack_samples(dir, set, options, &error)) << error;
  const std::string out = dir / "out";
  std::string command = "unar -q -D -o " + quoted(out);
  if (!options.password.empty())
    command += " -p " + quoted(options.password);
  Outcome unar = run_capture(command + " " + quoted(dir / "test.rar"));
  ASSERT_EQ(unar.status, 0) << unar.output;
  for (const Sample &s : set) {
    Bytes extracted;
    ASSERT_TRUE(read_file(out + "/" + s.name, &extracted)) << s.name << " missing; unar said:\n" << unar.output;
    EXPECT_EQ(extracted.size(), s.data.size()) << s.name;
    EXPECT_TRUE(extracted == s.data) << s.name << " differs";
  }
}

class UnarAgrees : public ::testing::Test {
protected:
  void SetUp() override {
    if (!have_unar())
      GTEST_SKIP() << "unar is not installed (apt-get install unar); the independent check cannot run";
  }
};

} // namespace

TEST_F(UnarAgrees, EveryKindOfFileInANormalArchive) {
  expect_unar_round_trip(sample_set(), options_with(3, false, ""));
}

TEST_F(UnarAgrees, EveryKindOfFileInASolidArchive) {
  expect_unar_round_trip(sample_set(), options_with(3, true, ""));
}

TEST_F(UnarAgrees, EveryKindOfFileEncrypted) {
  expect_unar_round_trip(sample_set(), options_with(3, false, "tarsk"));
}

TEST_F(UnarAgrees, EveryKindOfFileSolidAndEncrypted) {
  expect_unar_round_trip(sample_set(), options_with(3, true, "a longer password, 17+ chars, odd!"));
}

TEST_F(UnarAgrees, MatchesAtAndBelowTheLengthBonusDistances) {
  expect_unar_round_trip({{"bonus.bin", bonus_distance_bytes()}}, options_with(3, false, ""));
}

TEST_F(UnarAgrees, StoredArchivesPlainAndEncrypted) {
  expect_unar_round_trip(sample_set(), options_with(0, false, ""));
  expect_unar_round_trip(sample_set(), options_with(0, true, "x"));
}

TEST_F(UnarAgrees, FastestAndSmallestLevels) {
  std::vector<Sample> set = sample_set();
  set.erase(set.begin() + 7); // the 2.5 MiB file: level 3 covers it
  expect_unar_round_trip(set, options_with(1, true, ""));
  expect_unar_round_trip(set, options_with(5, false, "pw"));
}

TEST_F(UnarAgrees, ManySmallFilesNormalAndSolid) {
  expect_unar_round_trip(many_samples(60), options_with(3, false, ""));
  expect_unar_round_trip(many_samples(60), options_with(3, true, "many"));
}

// Raw PCM forced into audio mode with each channel count, where the channel
// count is the number of interleaved bytes per frame.
TEST_F(UnarAgrees, AudioModeWithOneToFourChannels) {
  const std::vector<Sample> set = {
      {"mono8.pcm", pcm_bytes(60000, 1, 1, 11)},
      {"mono16.pcm", pcm_bytes(40000, 1, 2, 12)},
      {"three8.pcm", pcm_bytes(30000, 3, 1, 13)},
      {"stereo16.pcm", pcm_bytes(30000, 2, 2, 14)},
  };
  for (int channels = 1; channels <= 4; channels++) {
    SCOPED_TRACE("channels " + std::to_string(channels));
    expect_unar_round_trip(set, options_with(3, false, "", channels));
    expect_unar_round_trip(set, options_with(3, true, "pcm", channels));
  }
}

// Solid archives that switch between audio and LZ coding from entry to entry.
TEST_F(UnarAgrees, SolidArchiveMixingSoundAndText) {
  const std::vector<Sample> set = {
      {"a.wav", wav_bytes(pcm_bytes(50000, 2, 2, 21), 2, 2)},
      {"b.txt", text_bytes(90000, 22)},
      {"c.wav", wav_bytes(pcm_bytes(50000, 1, 1, 23), 1, 1)},
      {"d.wav", wav_bytes(pcm_bytes(20000, 3, 1, 24), 3, 1)},
      {"e.bin", binary_bytes(40000, 25)},
  };
  expect_unar_round_trip(set, options_with(3, true, ""));
  expect_unar_round_trip(set, options_with(5, true, "mix"));
}
