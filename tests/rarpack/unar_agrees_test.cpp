// SPDX-License-Identifier: MIT
// Proves that an independent extractor (Debian's unar) reads every kind of
// archive the packer writes, byte for byte: normal and solid, with and without
// a password, every compression level, audio mode with 1 to 4 channels; and
// that every name it lists stays inside the folder it extracts to. Our own
// reader could share a misreading of the format with the packer; unar
// cannot.
#include <gtest/gtest.h>

#include <algorithm>

#include "pack_fixtures.h"

using namespace packtest;

namespace {

bool HaveUnar() {
  return RunShell("command -v unar >/dev/null 2>&1") == 0;
}

// Packs `set`, extracts it with unar into a fresh folder and compares every file.
void ExpectUnarRoundTrip(const std::vector<Sample> &set, const rarpack::PackOptions &options) {
  ScratchDir dir;
  std::string error;
  ASSERT_TRUE(PackSamples(dir, set, options, &error)) << error;
  const std::string out = dir / "out";
  std::string command = "unar -q -D -o " + Quoted(out);
  if (!options.password.empty())
    command += " -p " + Quoted(options.password);
  Outcome unar = RunCapture(command + " " + Quoted(dir / "test.rar"));
  ASSERT_EQ(unar.status, 0) << unar.output;
  for (const Sample &s : set) {
    Bytes extracted;
    ASSERT_TRUE(ReadFile(out + "/" + s.name, &extracted)) << s.name << " missing; unar said:\n" << unar.output;
    EXPECT_EQ(extracted.size(), s.data.size()) << s.name;
    EXPECT_TRUE(extracted == s.data) << s.name << " differs";
  }
}

// A name as a reader lists it stays inside the folder it extracts to: '\\'
// and '/' alike separate folders, and no part climbs out (".." or, to
// Windows, dots and spaces alone), starts at the root or names a drive.
bool StaysInside(std::string name) {
  for (char &c : name)
    if (c == '\\')
      c = '/';
  if (name.empty() || name[0] == '/' || (name.size() >= 2 && name[1] == ':'))
    return false;
  for (size_t at = 0; at <= name.size();) {
    size_t end = std::min(name.find('/', at), name.size());
    const std::string part = name.substr(at, end - at);
    if (!part.empty() && part.find_first_not_of(". ") == std::string::npos && part != ".")
      return false;
    at = end + 1;
  }
  return true;
}

class UnarAgrees : public ::testing::Test {
protected:
  void SetUp() override {
    if (!HaveUnar())
      GTEST_SKIP() << "unar is not installed (apt-get install unar); the independent check cannot run";
  }
};

} // namespace

TEST_F(UnarAgrees, EveryKindOfFileInANormalArchive) {
  ExpectUnarRoundTrip(SampleSet(), OptionsWith(3, false, ""));
}

TEST_F(UnarAgrees, EveryKindOfFileInASolidArchive) {
  ExpectUnarRoundTrip(SampleSet(), OptionsWith(3, true, ""));
}

TEST_F(UnarAgrees, EveryKindOfFileEncrypted) {
  ExpectUnarRoundTrip(SampleSet(), OptionsWith(3, false, "tarsk"));
}

TEST_F(UnarAgrees, EveryKindOfFileSolidAndEncrypted) {
  ExpectUnarRoundTrip(SampleSet(), OptionsWith(3, true, "a longer password, 17+ chars, odd!"));
}

TEST_F(UnarAgrees, MatchesAtAndBelowTheLengthBonusDistances) {
  ExpectUnarRoundTrip({{"bonus.bin", BonusDistanceBytes()}}, OptionsWith(3, false, ""));
}

TEST_F(UnarAgrees, StoredArchivesPlainAndEncrypted) {
  ExpectUnarRoundTrip(SampleSet(), OptionsWith(0, false, ""));
  ExpectUnarRoundTrip(SampleSet(), OptionsWith(0, true, "x"));
}

TEST_F(UnarAgrees, FastestAndSmallestLevels) {
  std::vector<Sample> set = SampleSet();
  set.erase(set.begin() + 7); // the 2.5 MiB file: level 3 covers it
  ExpectUnarRoundTrip(set, OptionsWith(1, true, ""));
  ExpectUnarRoundTrip(set, OptionsWith(5, false, "pw"));
}

TEST_F(UnarAgrees, ManySmallFilesNormalAndSolid) {
  ExpectUnarRoundTrip(ManySamples(60), OptionsWith(3, false, ""));
  ExpectUnarRoundTrip(ManySamples(60), OptionsWith(3, true, "many"));
}

// Raw PCM forced into audio mode with each channel count, where the channel
// count is the number of interleaved bytes per frame.
TEST_F(UnarAgrees, AudioModeWithOneToFourChannels) {
  const std::vector<Sample> set = {
      {"mono8.pcm", PcmBytes(60000, 1, 1, 11)},
      {"mono16.pcm", PcmBytes(40000, 1, 2, 12)},
      {"three8.pcm", PcmBytes(30000, 3, 1, 13)},
      {"stereo16.pcm", PcmBytes(30000, 2, 2, 14)},
  };
  for (int channels = 1; channels <= 4; channels++) {
    SCOPED_TRACE("channels " + std::to_string(channels));
    ExpectUnarRoundTrip(set, OptionsWith(3, false, "", channels));
    ExpectUnarRoundTrip(set, OptionsWith(3, true, "pcm", channels));
  }
}

// Solid archives that switch between audio and LZ coding from entry to entry.
TEST_F(UnarAgrees, SolidArchiveMixingSoundAndText) {
  const std::vector<Sample> set = {
      {"a.wav", WavBytes(PcmBytes(50000, 2, 2, 21), 2, 2)},
      {"b.txt", TextBytes(90000, 22)},
      {"c.wav", WavBytes(PcmBytes(50000, 1, 1, 23), 1, 1)},
      {"d.wav", WavBytes(PcmBytes(20000, 3, 1, 24), 3, 1)},
      {"e.bin", BinaryBytes(40000, 25)},
  };
  ExpectUnarRoundTrip(set, OptionsWith(3, true, ""));
  ExpectUnarRoundTrip(set, OptionsWith(5, true, "mix"));
}

// Linux file names may hold what a reader takes for a path: whatever kind of
// archive the packer writes, every name lsar lists extracts inside the
// target folder; names that would not are refused.
TEST_F(UnarAgrees, EveryNameListedStaysInsideTheExtractionFolder) {
  const std::vector<std::string> hostile = {"..\\evil.txt", "\\abs.txt", "C:drive.txt", "sub\\..\\..\\up.txt",
                                            "...",          ".. ",       "a:b.txt"};
  const std::vector<std::string> fine = {"plain.txt", "sub/dir/nested.txt", "x..y", ".hidden", "ab:c.txt"};
  std::vector<std::string> names = hostile;
  names.insert(names.end(), fine.begin(), fine.end());
  for (const rarpack::PackOptions &kind :
       {OptionsWith(0, false, ""), OptionsWith(3, false, ""), OptionsWith(3, true, ""), OptionsWith(0, false, "pw"),
        OptionsWith(3, true, "pw")}) {
    SCOPED_TRACE("level " + std::to_string(kind.level) + (kind.solid ? " solid" : "") +
                 (kind.password.empty() ? "" : " encrypted"));
    for (const std::string &name : names) {
      ScratchDir dir;
      std::string error;
      const bool packed = PackSamples(dir, {{name, TextBytes(3000, 9)}}, kind, &error);
      const bool refused = std::find(hostile.begin(), hostile.end(), name) != hostile.end();
      EXPECT_EQ(packed, !refused) << name << ": " << error;
      if (!packed)
        continue;
      Outcome listed = RunCapture("lsar " + Quoted(dir / "test.rar"));
      ASSERT_EQ(listed.status, 0) << listed.output;
      const std::string entries = listed.output.substr(listed.output.find('\n') + 1);
      for (size_t at = 0; at < entries.size();) {
        const size_t end = entries.find('\n', at);
        const std::string entry = entries.substr(at, end - at);
        EXPECT_TRUE(StaysInside(entry)) << name << " is listed as " << entry;
        at = end == std::string::npos ? entries.size() : end + 1;
      }
    }
  }
}
