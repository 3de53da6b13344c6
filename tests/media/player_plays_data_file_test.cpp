// SPDX-License-Identifier: MIT
// Proves that the show plays its soundtrack from the data file: the music
// player, over our RAR reader and the sound layer (mixing offline, no device),
// plays zarvox.mp3 out of zarvox.dat from its first sample to its last.
#include "archive/data_archive.h"
#include "media_files.h"
#include "platform/fsound.h"
#include "platform/tap.h"
#include "sound/music_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

TEST(ShowSoundtrack, MusicPlayerPlaysItFromTheDataFileToTheEnd) {
  const std::vector<uint8_t> mp3 = media_test::ReadFile(media_test::MediaPath("zarvox.mp3"));
  int16_t *reference = nullptr;
  size_t count = 0;
  int rate = 0, channels = 0;
  ASSERT_TRUE(PlatformDecodeMp3(mp3.data(), mp3.size(), &reference, &count, &rate, &channels));
  const std::vector<int16_t> expected(reference, reference + count);
  std::free(reference);
  ASSERT_EQ(channels, 2);

  PlatformSetSoundPull(true);
  std::vector<int16_t> played(expected.size() + 2 * 44100);
  {
    DataArchive archive(std::string(ZARVOX_BINARY_DIR) + "/bin/zarvox.dat");
    MusicPlayer player(SoundSetup{0, FSOUND_OUTPUT_DSOUND, 44100}, &archive);
    ASSERT_TRUE(player.Open("zarvox.mp3"));
    ASSERT_TRUE(player.Play());
    const int block = 4096;
    for (size_t at = 0; at < played.size(); at += size_t(block) * 2)
      PlatformSoundPull(played.data() + at, int(std::min<size_t>(block, (played.size() - at) / 2)));
    EXPECT_EQ(PlatformGetSoundCounts().streamsEnded, 1u);
  }
  PlatformSetSoundPull(false);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin())) << "the mix is not the decoded track";
  EXPECT_TRUE(std::all_of(played.begin() + long(expected.size()), played.end(), [](int16_t v) { return v == 0; }))
      << "sound after the end of the track";
}

} // namespace
