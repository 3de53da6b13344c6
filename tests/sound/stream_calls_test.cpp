// SPDX-License-Identifier: MIT
// Proves what opening and starting streams answer: from memory or a file, the
// error code for each bad input, channel numbers as documented, one play per
// stream, and the caller's block left as it was.
#include "platform/fsound.h"
#include "support/mp3_maker.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class StreamCalls : public ::testing::Test {
protected:
  void SetUp() override {
    FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
    FSOUND_SetDriver(0);
    soundtest::Signal signal;
    signal.seconds = 3; // outlasts every test: a stream still plays when the test looks
    mp3 = soundtest::EncodeMp3(soundtest::Tones(signal), signal.rate, signal.channels);
  }
  void TearDown() override { FSOUND_Close(); }

  FSOUND_STREAM *OpenMemory(const std::vector<unsigned char> &bytes, unsigned int mode = 0) {
    return FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(bytes.data()), FSOUND_LOADMEMORY | mode,
                                  int(bytes.size()));
  }

  std::vector<unsigned char> mp3;
};

} // namespace

TEST_F(StreamCalls, OpensFromMemoryAndFromAFile) {
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  const std::vector<unsigned char> copy = mp3;
  FSOUND_STREAM *memory = OpenMemory(mp3, FSOUND_MONO | FSOUND_8BITS | FSOUND_LOOP_NORMAL | FSOUND_LOOP_OFF);
  ASSERT_NE(memory, nullptr);

  const std::string path = soundtest::ScratchPath("stream_calls.mp3");
  FILE *file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(mp3.data(), 1, mp3.size(), file);
  std::fclose(file);
  FSOUND_STREAM *named = FSOUND_Stream_OpenFile(path.c_str(), 0, 0);
  ASSERT_NE(named, nullptr);
  std::remove(path.c_str());

  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, memory), 0);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, named), 1);
  EXPECT_TRUE(FSOUND_Stream_Close(memory));
  EXPECT_TRUE(FSOUND_Stream_Close(named));
  EXPECT_EQ(mp3, copy) << "the block is read, never written";
}

TEST_F(StreamCalls, BadInputGetsItsErrorCode) {
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  EXPECT_EQ(FSOUND_Stream_OpenFile(nullptr, FSOUND_LOADMEMORY, 100), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM) << "a failed fetch hands on no block";
  EXPECT_EQ(FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), FSOUND_LOADMEMORY, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);

  EXPECT_EQ(FSOUND_Stream_OpenFile("/nonexistent/zarvox.mp3", 0, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_NOTFOUND);

  std::string text;
  while (text.size() < 20000)
    text += "This is a text file and no MPEG audio at all. ";
  const std::vector<unsigned char> notMp3(text.begin(), text.end());
  EXPECT_EQ(OpenMemory(notMp3), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_FORMAT);

  // A track cut short after its first frames still opens and plays what it has.
  const std::vector<unsigned char> cut(mp3.begin(), mp3.begin() + 2000);
  FSOUND_STREAM *stream = OpenMemory(cut);
  EXPECT_NE(stream, nullptr);

  int notAStream = 0;
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, reinterpret_cast<FSOUND_STREAM *>(&notAStream)), -1);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
  EXPECT_FALSE(FSOUND_Stream_Close(reinterpret_cast<FSOUND_STREAM *>(&notAStream)));
  EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
}

TEST_F(StreamCalls, ChannelsAreHandedOutAsAsked) {
  ASSERT_TRUE(FSOUND_Init(44100, 2, 0));
  FSOUND_STREAM *a = OpenMemory(mp3);
  FSOUND_STREAM *b = OpenMemory(mp3);
  FSOUND_STREAM *c = OpenMemory(mp3);
  ASSERT_TRUE(a && b && c);

  EXPECT_EQ(FSOUND_Stream_Play(2, a), -1) << "only channels 0 and 1 exist";
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
  EXPECT_EQ(FSOUND_Stream_Play(1, a), 1);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, b), 0);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, c), -1);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_CHANNEL_ALLOC);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, a), -1) << "a stream plays once";
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_PLAY);
  EXPECT_EQ(FSOUND_Stream_Play(1, c), 1) << "naming a busy channel takes it over";

  // Closing a playing stream frees its channel.
  EXPECT_TRUE(FSOUND_Stream_Close(c));
  FSOUND_STREAM *d = OpenMemory(mp3);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, d), 1);
}

TEST_F(StreamCalls, NoSoundOutputStillOpensAndPlays) {
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
  ASSERT_TRUE(FSOUND_Init(44100, 128, 0));
  FSOUND_STREAM *stream = OpenMemory(mp3);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
  EXPECT_TRUE(FSOUND_Stream_Close(stream));
}
