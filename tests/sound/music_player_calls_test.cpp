// SPDX-License-Identifier: MIT
// Proves the player's own part against recording stand-ins for FSOUND and the
// extraction call: the calls it makes with the dialog's choices, the fetched
// block handed over in place, Play's answer following the channel, and the
// teardown order (stream, library, block) with the block intact until the
// stream is closed, also when the music file is missing.
#include "archive/data_archive.h"
#include "fake_fsound.h"
#include "sound/music_player.h"

#include <gtest/gtest.h>

using Calls = std::vector<std::string>;

namespace {

class PlayerCalls : public ::testing::Test {
protected:
  void SetUp() override {
    fake::World &world = fake::Reset();
    music.assign(5000, 0);
    for (size_t i = 0; i < music.size(); ++i)
      music[i] = uint8_t(i * 7);
    world.files["zarvox.mp3"] = music;
  }

  SoundSetup sound{1, 3, 22050}; // driver, output, mixing rate
  DataArchive archive{"zarvox.dat"};
  std::vector<unsigned char> music;
};

} // namespace

TEST_F(PlayerCalls, ConstructorSetsUpTheLibraryWithTheDialogsChoices) {
  MusicPlayer player(sound, &archive);
  EXPECT_EQ(fake::Get().calls, (Calls{"SetOutput(3)", "SetDriver(1)", "Init(22050,128,0)"}));
  EXPECT_EQ(player.channel, 0);
  EXPECT_EQ(player.stream, nullptr);
  EXPECT_EQ(player.data, nullptr);
}

TEST_F(PlayerCalls, OpenHandsTheFetchedBlockToTheLibraryInPlace) {
  MusicPlayer player(sound, &archive);
  fake::Get().calls.clear();
  ASSERT_TRUE(player.Open("zarvox.mp3"));
  EXPECT_EQ(fake::Get().calls, (Calls{"Extract(zarvox.mp3,zarvox.dat,tarsk)", "Stream_OpenFile(data,0x802b,5000)"}));
  EXPECT_EQ(fake::Get().openedBlock, player.data);
  EXPECT_TRUE(std::equal(music.begin(), music.end(), player.data));
}

TEST_F(PlayerCalls, PlayIsTrueExactlyWhenAChannelCameBack) {
  for (int answer : {0, 5, -1}) {
    MusicPlayer player(sound, &archive);
    ASSERT_TRUE(player.Open("zarvox.mp3"));
    fake::Get().playResult = answer;
    fake::Get().calls.clear();
    EXPECT_EQ(player.Play(), answer != -1) << "channel " << answer;
    EXPECT_EQ(player.channel, answer);
    EXPECT_EQ(fake::Get().calls, (Calls{"Stream_Play(-1,stream)"}));
  }
}

TEST_F(PlayerCalls, DestructorClosesStreamThenLibraryThenFreesTheBlock) {
  {
    MusicPlayer player(sound, &archive);
    ASSERT_TRUE(player.Open("zarvox.mp3"));
    ASSERT_TRUE(player.Play());
    fake::Get().calls.clear();
  }
  EXPECT_EQ(fake::Get().calls, (Calls{"Stream_Close(stream)", "Close()"}));
  // Read in Stream_Close: the block was still whole (and, under ASan, not yet freed).
  EXPECT_EQ(fake::Get().checksumAtClose, fake::Checksum(music.data(), music.size()));
}

TEST_F(PlayerCalls, MissingMusicLeavesNoStreamAndStillClosesTheLibrary) {
  fake::Get().files.clear();
  {
    MusicPlayer player(sound, &archive);
    fake::Get().calls.clear();
    EXPECT_FALSE(player.Open("zarvox.mp3"));
    EXPECT_EQ(player.stream, nullptr);
    EXPECT_EQ(player.data, nullptr);
    EXPECT_FALSE(player.Play());
    EXPECT_EQ(player.channel, 0);
    EXPECT_EQ(fake::Get().calls, (Calls{"Extract(zarvox.mp3,zarvox.dat,tarsk)", "Stream_OpenFile(null,0x802b,0)"}))
        << "Play made no call";
    fake::Get().calls.clear();
  }
  EXPECT_EQ(fake::Get().calls, (Calls{"Close()"}));
}

TEST_F(PlayerCalls, LibraryRefusingTheDataLeavesNoStream) {
  fake::Get().streamOpens = false;
  MusicPlayer player(sound, &archive);
  EXPECT_FALSE(player.Open("zarvox.mp3"));
  EXPECT_FALSE(player.Play());
  EXPECT_NE(player.data, nullptr) << "kept until the destructor frees it";
}

TEST_F(PlayerCalls, OpeningAgainClosesTheOldStreamBeforeFreeingItsBlock) {
  MusicPlayer player(sound, &archive);
  ASSERT_TRUE(player.Open("zarvox.mp3"));
  fake::Get().calls.clear();
  ASSERT_TRUE(player.Open("zarvox.mp3"));
  EXPECT_EQ(fake::Get().calls, (Calls{"Stream_Close(stream)", "Extract(zarvox.mp3,zarvox.dat,tarsk)",
                                      "Stream_OpenFile(data,0x802b,5000)"}));
  EXPECT_EQ(fake::Get().checksumAtClose, fake::Checksum(music.data(), music.size()));
}
