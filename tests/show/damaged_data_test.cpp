// SPDX-License-Identifier: MIT
// Proves that the whole show holds up when its data file is damaged the ways
// a user meets: zero-filled, truncated at several points, bytes flipped in
// each entry's header and data, packed with another password. Every case
// runs the real Demo from the first frame to the show's last (at 1 fps, with
// the sound mixed offline as a device would take it): nothing crashes, hangs
// or leaks; each picture is blank exactly where its image could not be
// extracted and the show is silent exactly where the soundtrack could not;
// and the debug log names every failed extraction with its cause.
#include "capture.h"
#include "support/show_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace showkit;

namespace {

// What the show sees of its media.
struct Outcome {
  bool logo = false;      // the four logo sections show a picture
  bool sphereMap = false; // the sphere section shows its texture
  bool music = false;     // the soundtrack is heard
};

// Show seconds at which each section is looked at, one per effect, and
// whether that effect draws the logo (else the sphere map).
struct Probe {
  int second;
  bool logo;
};
const Probe kProbes[] = {{6, true}, {18, true}, {40, true}, {66, false}, {108, true}};

// Watches a capture at 1 fps: the probed frames, and every second of sound.
class Watcher : public capture::FrameSink {
public:
  bool Frame(int64_t index, const uint8_t *rgba, int width, int height, bool swapped) override {
    ++frames;
    swaps += swapped;
    for (const Probe &probe : kProbes)
      if (index == probe.second) {
        Picture picture;
        picture.width = width;
        picture.height = height;
        for (int y = height - 1; y >= 0; --y)
          for (int x = 0; x < width; ++x)
            picture.rgb.insert(picture.rgb.end(), rgba + (size_t(y) * width + x) * 4,
                               rgba + (size_t(y) * width + x) * 4 + 3);
        pictures.push_back(picture);
      }
    return true;
  }
  bool Sound(int64_t, const int16_t *stereo, int count) override {
    for (int i = 0; i < count * 2; ++i)
      if (stereo[i] != 0) {
        ++soundingSeconds;
        break;
      }
    return true;
  }
  int64_t frames = 0, swaps = 0;
  int soundingSeconds = 0;
  std::vector<Picture> pictures; // in kProbes order
};

class DamagedData : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(ReadFile(DataFile(), &good)) << DataFile();
    ASSERT_TRUE(ArchiveLayout(good, &layout));
    ASSERT_EQ(layout.size(), 3u);
    ASSERT_EQ(layout[0].name, "krel.png");
    ASSERT_EQ(layout[1].name, "spheremap.png");
    ASSERT_EQ(layout[2].name, "zarvox.mp3");
  }
  // The process's one debug log; each case reads what it adds.
  static std::string LogPath() { return DebugLogPath(); }

  // Runs the show on `data` and checks what it shows, plays and logs.
  void Expect(const Bytes &data, const Outcome &expected, const std::vector<std::string> &causes) {
    ScratchDir folder;
    ASSERT_TRUE(WriteFile(folder / "zarvox.dat", data));
    const size_t logBefore = ReadText(LogPath()).size();
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    capture::Options options;
    options.fps = 1;
    options.renderFps = 1; // one rendered frame a second keeps a whole show short
    options.width = 160;
    options.height = 120;
    options.pullSound = true;
    Watcher watcher;
    const capture::Result result = capture::Run(options, &watcher);
    ASSERT_EQ(chdir(previous), 0);
    const std::string log = ReadText(LogPath()).substr(logBefore);

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(watcher.frames, 129) << "the show runs to its end";
    EXPECT_EQ(watcher.swaps, 129) << "a frame is drawn every second, blank or not";
    ASSERT_EQ(watcher.pictures.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
      const bool shown = kProbes[i].logo ? expected.logo : expected.sphereMap;
      // A missing image leaves its effect drawing in white and grey alone.
      const double coloured = watcher.pictures[i].ShareColoured();
      if (shown)
        EXPECT_GT(coloured, 0.005) << "at " << kProbes[i].second << " s the picture is blank";
      else
        EXPECT_EQ(coloured, 0) << "at " << kProbes[i].second << " s the picture shows an image";
    }
    if (expected.music)
      EXPECT_GE(watcher.soundingSeconds, 126) << "the soundtrack plays to the end";
    else
      EXPECT_EQ(watcher.soundingSeconds, 0) << "the show is silent";

    const struct {
      const char *name;
      bool extracted;
    } files[] = {{"krel.png", expected.logo}, {"spheremap.png", expected.sphereMap}, {"zarvox.mp3", expected.music}};
    for (const auto &file : files) {
      const std::string failure = std::string("Error - couldn't extract >") + file.name + "<";
      EXPECT_NE(log.find(std::string("Extracting >") + file.name + "<"), std::string::npos) << log;
      EXPECT_EQ(log.find(failure) != std::string::npos, !file.extracted) << failure << "\n" << log;
    }
    for (const std::string &cause : causes)
      EXPECT_NE(log.find(cause), std::string::npos) << "the log does not say \"" << cause << "\":\n" << log;
  }

  static Bytes Truncated(size_t size) { return Bytes(good.begin(), good.begin() + long(size)); }
  // `count` bytes inverted, spread over [start, start + length).
  static Bytes Flipped(size_t start, size_t length, int count) {
    Bytes data = good;
    for (int i = 0; i < count; ++i)
      data[start + length * size_t(2 * i + 1) / size_t(2 * count)] ^= 0xFF;
    return data;
  }

  static Bytes good;
  static std::vector<EntryLayout> layout;
};
Bytes DamagedData::good;
std::vector<EntryLayout> DamagedData::layout;

const Outcome kAllGood = {true, true, true};
const Outcome kNothing = {false, false, false};

} // namespace

TEST_F(DamagedData, IntactFileShowsEverything) {
  Expect(good, kAllGood, {});
}

TEST_F(DamagedData, ZeroFilledFileIsNotAnArchive) {
  Expect(Bytes(good.size(), 0), kNothing, {"Not a RAR file"});
}

TEST_F(DamagedData, TruncatedFileLosesWhatLiesBeyondTheCut) {
  const EntryLayout &logo = layout[0], &sphere = layout[1], &music = layout[2];
  Expect(Truncated(5), kNothing, {"Not a RAR file"});
  // The logo's data runs short; the entries after it are never reached.
  Expect(Truncated(logo.dataStart + logo.dataSize / 2), kNothing, {"CRC32 error"});
  Expect(Truncated(sphere.headerStart + 10), {true, false, false}, {"file header broken"});
  Expect(Truncated(music.dataStart + music.dataSize / 2), {true, true, false}, {"CRC32 error"});
  Expect(Truncated(music.dataStart + music.dataSize - 1), {true, true, false}, {"CRC32 error"});
  // What follows the last entry's data is not needed to extract it.
  Expect(Truncated(music.dataStart + music.dataSize), kAllGood, {});
}

TEST_F(DamagedData, FlippedBytesInAnEntryLoseThatEntryOnly) {
  // In the header: the stored name no longer matches.
  Expect(Flipped(layout[0].nameStart, 1, 1), {false, true, true}, {"file header broken"});
  Expect(Flipped(layout[1].nameStart, 1, 1), {true, false, true}, {"file header broken"});
  Expect(Flipped(layout[2].nameStart, 1, 1), {true, true, false}, {"file header broken"});
  // In the packed data: the decoded file fails its checksum.
  Expect(Flipped(layout[0].dataStart, layout[0].dataSize, 3), {false, true, true}, {"CRC32 error"});
  Expect(Flipped(layout[1].dataStart, layout[1].dataSize, 3), {true, false, true}, {"CRC32 error"});
  Expect(Flipped(layout[2].dataStart, layout[2].dataSize, 3), {true, true, false}, {"CRC32 error"});
}

TEST_F(DamagedData, AnotherPasswordDecodesNothing) {
  ScratchDir folder;
  const RunResult packed = RunProgram({Program("rarpack"), "-m3", "--audio", "off", "--password", "wrong", "--mtime",
                                       "1009843200", folder / "zarvox.dat", "krel.png", "spheremap.png", "zarvox.mp3"},
                                      RunOptions{MediaDir(), {}, {}, 300});
  ASSERT_EQ(packed.status, 0) << packed.err;
  Bytes data;
  ASSERT_TRUE(ReadFile(folder / "zarvox.dat", &data));
  Expect(data, kNothing, {"CRC32 error"});
}
