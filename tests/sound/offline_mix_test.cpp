// SPDX-License-Identifier: MIT
// Proves, mixing offline (no device, no timing), that what the mixer hands on
// is the decoded track: whole, in order and once, at the mixing rate, on both
// sides for a mono track, summed with others, and looping only when asked.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/mp3_maker.h"
#include "support/pcm.h"

#include <gtest/gtest.h>

namespace {

class OfflineMix : public ::testing::Test {
protected:
  void SetUp() override {
    PlatformSetSoundPull(true);
    FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
    FSOUND_SetDriver(0);
  }
  void TearDown() override {
    FSOUND_Close();
    PlatformSetSoundPull(false);
  }

  static std::vector<int16_t> Pull(size_t frames) {
    std::vector<int16_t> out(frames * 2);
    PlatformSoundPull(out.data(), int(frames));
    return out;
  }
  // Streams read `mp3` until TearDown closes the library, before it goes.
  FSOUND_STREAM *OpenAndPlay(unsigned int mode) {
    FSOUND_STREAM *stream =
        FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), FSOUND_LOADMEMORY | mode, int(mp3.size()));
    EXPECT_NE(stream, nullptr);
    EXPECT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    return stream;
  }

  std::vector<unsigned char> mp3;
};

std::vector<unsigned char> ToneMp3(int channels, double seconds) {
  soundtest::Signal signal;
  signal.channels = channels;
  signal.seconds = seconds;
  return soundtest::EncodeMp3(soundtest::Tones(signal), signal.rate, channels);
}

} // namespace

TEST_F(OfflineMix, PulledSoundEqualsLibmpg123sDecodingThenSilence) {
  mp3 = ToneMp3(2, 1.0);
  const soundtest::Pcm reference = soundtest::ReferenceDecode(mp3);
  ASSERT_EQ(reference.channels, 2);
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  OpenAndPlay(FSOUND_LOOP_OFF);
  const std::vector<int16_t> out = Pull(reference.Frames() + 5000);
  const std::vector<int16_t> head(out.begin(), out.begin() + ptrdiff_t(reference.samples.size()));
  EXPECT_EQ(head, reference.samples);
  EXPECT_EQ(
      soundtest::FirstSoundFrame(std::vector<int16_t>(out.begin() + ptrdiff_t(reference.samples.size()), out.end())),
      5000u);
  EXPECT_EQ(PlatformGetSoundCounts().streamsEnded, 1u);
  EXPECT_EQ(PlatformGetSoundCounts().streamFrames, reference.Frames());
}

TEST_F(OfflineMix, MonoTrackPlaysOnBothSides) {
  mp3 = ToneMp3(1, 0.5);
  const soundtest::Pcm reference = soundtest::ReferenceDecode(mp3);
  ASSERT_EQ(reference.channels, 1);
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  OpenAndPlay(0);
  const std::vector<int16_t> out = Pull(reference.Frames());
  bool same = true;
  for (size_t i = 0; i < reference.Frames(); ++i)
    same = same && out[i * 2] == reference.samples[i] && out[i * 2 + 1] == reference.samples[i];
  EXPECT_TRUE(same);
}

TEST_F(OfflineMix, PulledLengthFollowsTheMixingRate) {
  mp3 = ToneMp3(2, 0.5);
  const size_t frames = soundtest::ReferenceDecode(mp3).Frames();
  for (int rate : {48000, 22050, 11025}) {
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    OpenAndPlay(0);
    Pull(frames * 2);
    EXPECT_EQ(PlatformGetSoundCounts().streamFrames, (frames * size_t(rate) + 44099) / 44100) << rate << " Hz";
    EXPECT_EQ(PlatformGetSoundCounts().streamsEnded, 1u);
    FSOUND_Close();
  }
}

TEST_F(OfflineMix, LoopOffWinsOverLoopNormal) {
  mp3 = ToneMp3(2, 0.25);
  const soundtest::Pcm reference = soundtest::ReferenceDecode(mp3);
  const size_t frames = reference.Frames();
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));

  OpenAndPlay(FSOUND_LOOP_NORMAL | FSOUND_LOOP_OFF);
  Pull(frames * 3);
  EXPECT_EQ(PlatformGetSoundCounts().streamFrames, frames) << "played once";

  OpenAndPlay(FSOUND_LOOP_NORMAL);
  const std::vector<int16_t> looped = Pull(frames * 3);
  EXPECT_EQ(PlatformGetSoundCounts().streamsEnded, 1u) << "only the first stream ended";
  const std::vector<int16_t> second(looped.begin() + ptrdiff_t(frames * 2), looped.begin() + ptrdiff_t(frames * 4));
  EXPECT_EQ(second, reference.samples) << "the second pass starts again from the top";
}

TEST_F(OfflineMix, StreamsOnTwoChannelsAreSummedAndClipped) {
  mp3 = ToneMp3(2, 0.3);
  const soundtest::Pcm reference = soundtest::ReferenceDecode(mp3);
  ASSERT_TRUE(FSOUND_Init(44100, 2, 0));
  OpenAndPlay(0);
  OpenAndPlay(0);
  const std::vector<int16_t> out = Pull(reference.Frames());
  bool summed = true;
  for (size_t i = 0; i < reference.samples.size(); ++i)
    summed = summed && out[i] == std::clamp(2 * reference.samples[i], -32768, 32767);
  EXPECT_TRUE(summed);
}
