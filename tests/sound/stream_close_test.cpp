// SPDX-License-Identifier: MIT
// Proves that a stream closed while it plays, or left open for FSOUND_Close,
// is done with the caller's block when the call returns: freeing the block
// right after, at any moment of playback, is clean under AddressSanitizer;
// and that a closed stream is no longer open and no longer plays.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

class StreamClose : public ::testing::Test {
protected:
  void SetUp() override {
    FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
    FSOUND_SetDriver(0);
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    // Long enough that the decoder is still at work whenever the test closes.
    mp3 = soundtest::EncodeMp3(soundtest::BusyMusic(44100, 4), 44100, 2);
  }
  void TearDown() override { FSOUND_Close(); }

  // A malloc'd copy, as the archive hands it over.
  char *Block() const {
    char *block = static_cast<char *>(std::malloc(mp3.size()));
    std::memcpy(block, mp3.data(), mp3.size());
    return block;
  }
  FSOUND_STREAM *OpenAndPlay(char *block) const {
    FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(block, FSOUND_LOADMEMORY | FSOUND_LOOP_OFF, int(mp3.size()));
    EXPECT_NE(stream, nullptr);
    EXPECT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    return stream;
  }

  std::vector<unsigned char> mp3;
};

} // namespace

TEST_F(StreamClose, ClosingWhilePlayingThenFreeingIsClean) {
  for (int delayMs : {0, 1, 7, 30, 120, 400}) {
    char *block = Block();
    FSOUND_STREAM *stream = OpenAndPlay(block);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ASSERT_TRUE(FSOUND_Stream_Close(stream));
    EXPECT_FALSE(FSOUND_Stream_Close(stream)) << "closed twice";
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    std::memset(block, 0xEE, mp3.size()); // anyone still reading would now read garbage...
    std::free(block);                     // ...or, under ASan, be caught reading freed memory
  }
  // The mixer keeps running on with nothing to play.
  const PlatformSoundCounts before = PlatformGetSoundCounts();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GT(PlatformGetSoundCounts().buffers, before.buffers);
  EXPECT_EQ(PlatformGetSoundCounts().streamFrames, before.streamFrames) << "a closed stream still plays";
}

TEST_F(StreamClose, LibraryCloseClosesStreamsLeftOpen) {
  char *first = Block();
  char *second = Block();
  FSOUND_STREAM *playing = OpenAndPlay(first);
  FSOUND_Stream_OpenFile(second, FSOUND_LOADMEMORY, int(mp3.size())); // opened, never played
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  FSOUND_Close();
  EXPECT_FALSE(FSOUND_Stream_Close(playing)) << "a stream outlived the library";
  std::free(first);
  std::free(second);
  // Their decoders are gone: nothing reads the freed blocks from here on.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}
