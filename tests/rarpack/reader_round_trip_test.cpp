// SPDX-License-Identifier: MIT
// Proves that the show's own reader extracts every entry of every kind of
// archive the packer writes, each passing its CRC check: normal and solid,
// with and without a password, every level, audio mode with 1 to 4 channels,
// data over 1 MiB, many files. A wrong password must fail, not return data.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pack_fixtures.h"
#include "rar/rar.h"

using namespace packtest;

namespace {

// Packs `set` and asks the reader for every entry, in reverse order so that a
// solid archive's later entries are read first (each from a fresh walk).
void ExpectReaderRoundTrip(const std::vector<Sample> &set, const rarpack::PackOptions &options) {
  ScratchDir dir;
  std::string error;
  ASSERT_TRUE(PackSamples(dir, set, options, &error)) << error;
  const std::string archive = dir / "test.rar";
  const char *password = options.password.empty() ? nullptr : options.password.c_str();
  for (size_t i = set.size(); i-- > 0;) {
    const Sample &s = set[i];
    unsigned char *block = nullptr;
    uint32_t size = 12345;
    int ok = rar_extract_to_memory(&block, &size, s.name.c_str(), archive.c_str(), password);
    EXPECT_EQ(ok, 1) << s.name;
    if (ok != 1)
      continue;
    EXPECT_EQ(size, s.data.size()) << s.name;
    EXPECT_TRUE(size == s.data.size() && (size == 0 || std::equal(s.data.begin(), s.data.end(), block)))
        << s.name << " differs";
    free(block);
  }
}

} // namespace

TEST(ReaderRoundTrip, EveryKindOfFileNormalAndSolid) {
  ExpectReaderRoundTrip(SampleSet(), OptionsWith(3, false, ""));
  ExpectReaderRoundTrip(SampleSet(), OptionsWith(3, true, ""));
}

TEST(ReaderRoundTrip, EveryKindOfFileEncryptedNormalAndSolid) {
  ExpectReaderRoundTrip(SampleSet(), OptionsWith(3, false, "tarsk"));
  ExpectReaderRoundTrip(SampleSet(), OptionsWith(3, true, "an odd-length password of 33 chr"));
}

TEST(ReaderRoundTrip, MatchesAtAndBelowTheLengthBonusDistances) {
  ExpectReaderRoundTrip({{"bonus.bin", BonusDistanceBytes()}}, OptionsWith(3, false, ""));
}

TEST(ReaderRoundTrip, StoredAndEveryLevel) {
  std::vector<Sample> set = SampleSet();
  ExpectReaderRoundTrip(set, OptionsWith(0, false, "stored"));
  set.erase(set.begin() + 7); // the 2.5 MiB file: level 3 covers it
  for (int level : {1, 2, 4, 5}) {
    SCOPED_TRACE("level " + std::to_string(level));
    ExpectReaderRoundTrip(set, OptionsWith(level, level % 2 == 0, level > 3 ? "pw" : ""));
  }
}

TEST(ReaderRoundTrip, ManySmallFiles) {
  ExpectReaderRoundTrip(ManySamples(60), OptionsWith(3, false, ""));
  ExpectReaderRoundTrip(ManySamples(60), OptionsWith(3, true, "many"));
}

TEST(ReaderRoundTrip, AudioModeWithOneToFourChannels) {
  const std::vector<Sample> set = {
      {"mono8.pcm", PcmBytes(60000, 1, 1, 11)},  {"mono16.pcm", PcmBytes(40000, 1, 2, 12)},
      {"three8.pcm", PcmBytes(30000, 3, 1, 13)}, {"stereo16.wav", WavBytes(PcmBytes(30000, 2, 2, 14), 2, 2)},
      {"text.txt", TextBytes(20000, 15)},
  };
  for (int channels = 1; channels <= 4; channels++) {
    SCOPED_TRACE("channels " + std::to_string(channels));
    ExpectReaderRoundTrip(set, OptionsWith(3, false, "", channels));
    ExpectReaderRoundTrip(set, OptionsWith(3, true, "pcm", channels));
  }
  ExpectReaderRoundTrip(set, OptionsWith(3, true, "", rarpack::kAudioAuto));
}

TEST(ReaderRoundTrip, WrongOrMissingPasswordFails) {
  ScratchDir dir;
  std::string error;
  ASSERT_TRUE(PackSamples(dir, {{"secret.txt", TextBytes(5000, 1)}}, OptionsWith(3, false, "right"), &error)) << error;
  const std::string archive = dir / "test.rar";
  for (const char *password : {"wrong", "", static_cast<const char *>(nullptr)}) {
    unsigned char *block = reinterpret_cast<unsigned char *>(1);
    uint32_t size = 1;
    EXPECT_EQ(rar_extract_to_memory(&block, &size, "secret.txt", archive.c_str(), password), 0);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0u);
  }
}
