// SPDX-License-Identifier: MIT
// Proves the player end to end, with a data file on disk, our RAR reader and
// the real FSOUND layer: the soundtrack plays from the archive to its end; a
// data file without it leaves the player silent, with the library still shut
// down; and the "No Sound" output goes through every call and writes nothing.
#include "archive/data_archive.h"
#include "platform/fsound.h"
#include "platform/tap.h"
#include "sound/music_player.h"
#include "stored_rar.h"
#include "support/mp3_maker.h"
#include "support/pcm.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

class PlayerArchive : public ::testing::Test {
protected:
  void SetUp() override {
    soundtest::Signal signal;
    signal.seconds = 1;
    mp3 = soundtest::EncodeMp3(soundtest::Tones(signal), signal.rate, signal.channels);
    const std::vector<unsigned char> logo(3000, 0x42);
    path = soundtest::ScratchPath("player_archive.dat");
    ASSERT_TRUE(testsupport::WriteFile(path, testsupport::StoredRar({{"krel.png", logo}, {"zarvox.mp3", mp3}})));
    withoutMusicPath = soundtest::ScratchPath("player_archive_nomusic.dat");
    ASSERT_TRUE(testsupport::WriteFile(withoutMusicPath, testsupport::StoredRar({{"krel.png", logo}})));
  }
  void TearDown() override {
    std::remove(path.c_str());
    std::remove(withoutMusicPath.c_str());
  }

  static bool WaitForTheEnd(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (PlatformGetSoundCounts().streamsEnded == 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return PlatformGetSoundCounts().streamsEnded == 1;
  }

  std::vector<unsigned char> mp3;
  std::string path;
  std::string withoutMusicPath;
};

} // namespace

TEST_F(PlayerArchive, SoundtrackPlaysFromTheDataFileToItsEnd) {
  DataArchive archive(path);
  SoundSetup sound{0, FSOUND_OUTPUT_DSOUND, 44100};
  MusicPlayer player(sound, &archive);
  ASSERT_TRUE(player.Open("zarvox.mp3"));
  ASSERT_TRUE(player.Play());
  EXPECT_EQ(player.channel, 0);
  ASSERT_TRUE(WaitForTheEnd(20));
  EXPECT_EQ(PlatformGetSoundCounts().streamFrames, soundtest::ReferenceDecode(mp3).Frames());
}

TEST_F(PlayerArchive, MissingSoundtrackLeavesThePlayerSilentAndTidy) {
  DataArchive archive(withoutMusicPath);
  SoundSetup sound{0, FSOUND_OUTPUT_DSOUND, 44100};
  {
    MusicPlayer player(sound, &archive);
    EXPECT_FALSE(player.Open("zarvox.mp3"));
    EXPECT_EQ(player.stream, nullptr);
    EXPECT_EQ(player.data, nullptr);
    EXPECT_FALSE(player.Play());
  }
  // The library was shut down: it initialises again.
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  FSOUND_Close();
}

TEST_F(PlayerArchive, NoSoundOutputGoesThroughEveryCallAndWritesNothing) {
  const std::string written = soundtest::ScratchPath("player_archive_nosound.raw");
  std::remove(written.c_str());
  soundtest::ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  soundtest::ScopedEnv file("SDL_DISKAUDIOFILE", written.c_str());
  DataArchive archive(path);
  SoundSetup sound{0, FSOUND_OUTPUT_NOSOUND, 44100};
  {
    MusicPlayer player(sound, &archive);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_NONE);
    EXPECT_TRUE(player.Open("zarvox.mp3"));
    EXPECT_TRUE(player.Play());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  FILE *device = std::fopen(written.c_str(), "rb");
  EXPECT_EQ(device, nullptr) << "nothing was written";
  if (device != nullptr)
    std::fclose(device);
}
