// SPDX-License-Identifier: MIT
// Proves, through SDL's disk driver (a device that writes what it is given to
// a file, in real time), that the PCM reaching the device is libmpg123's own
// decoding of the track: the same at 44100 Hz, of the right length and pitch
// at 22050 and 48000 Hz; and that the "No Sound" output writes nothing.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/mp3_maker.h"
#include "support/pcm.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

struct Capture {
  bool written = false;       // the device made its file
  std::vector<int16_t> pcm;   // everything the device got, silence included
  int bufferFrames = 0;       // frames per device buffer
  PlatformSoundCounts counts; // at the end of playback
};

std::string OutputFile(const char *name) {
  return soundtest::ScratchPath(name);
}

// Plays `mp3` to its end on the disk device at `rate` and reads back the file.
Capture PlayThroughDisk(const std::vector<unsigned char> &mp3, int rate, int output, const std::string &file) {
  std::remove(file.c_str());
  soundtest::ScopedEnv target("SDL_DISKAUDIOFILE", file.c_str());
  Capture capture;
  FSOUND_SetOutput(output);
  FSOUND_SetDriver(0);
  EXPECT_TRUE(FSOUND_Init(rate, 128, 0));
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), 0x802B, int(mp3.size()));
  EXPECT_NE(stream, nullptr);
  EXPECT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
  // Real time, plus room for a slow machine.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (output != FSOUND_OUTPUT_NOSOUND && PlatformGetSoundCounts().streamsEnded == 0 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (output == FSOUND_OUTPUT_NOSOUND)
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  capture.counts = PlatformGetSoundCounts();
  capture.bufferFrames = capture.counts.bufferFrames;
  EXPECT_TRUE(FSOUND_Stream_Close(stream));
  FSOUND_Close();
  if (FILE *written = std::fopen(file.c_str(), "rb")) {
    capture.written = true;
    std::fclose(written);
  }
  capture.pcm = soundtest::ReadRawStereo(file);
  std::remove(file.c_str());
  return capture;
}

std::vector<unsigned char> ToneMp3(double seconds) {
  soundtest::Signal signal;
  signal.seconds = seconds;
  return soundtest::EncodeMp3(soundtest::Tones(signal), signal.rate, signal.channels);
}

} // namespace

TEST(DevicePcm, AtTheTracksRateTheDeviceGetsLibmpg123sDecoding) {
  const std::vector<unsigned char> mp3 = ToneMp3(1.5);
  const soundtest::Pcm reference = soundtest::ReferenceDecode(mp3);
  ASSERT_EQ(reference.rate, 44100);
  const Capture capture = PlayThroughDisk(mp3, 44100, FSOUND_OUTPUT_DSOUND, OutputFile("pcm44100.raw"));
  ASSERT_EQ(capture.counts.streamsEnded, 1u) << "the track played to its end";
  EXPECT_EQ(capture.counts.starvedBuffers, 0u);
  ASSERT_EQ(capture.bufferFrames, 1024);

  // The device ran silent before Play and after the end; the track lies between.
  const size_t first = soundtest::FirstSoundFrame(capture.pcm);
  const size_t end = soundtest::EndSoundFrame(capture.pcm);
  const size_t refFirst = soundtest::FirstSoundFrame(reference.samples);
  const size_t refEnd = soundtest::EndSoundFrame(reference.samples);
  ASSERT_LT(first, end);
  EXPECT_NEAR(double(end - first), double(refEnd - refFirst), capture.bufferFrames);
  const size_t frames = std::min(end - first, refEnd - refFirst);
  EXPECT_GT(soundtest::Correlation(capture.pcm, first, reference.samples, refFirst, frames), 0.99);
}

TEST(DevicePcm, OtherMixingRatesGetTheTrackResampledToLengthAndPitch) {
  const std::vector<unsigned char> mp3 = ToneMp3(1.5);
  const soundtest::Pcm reference = soundtest::ReferenceDecode(mp3);
  const double seconds = double(reference.Frames()) / reference.rate;
  for (int rate : {22050, 48000}) {
    const Capture capture = PlayThroughDisk(mp3, rate, FSOUND_OUTPUT_DSOUND, OutputFile("pcm-resampled.raw"));
    ASSERT_EQ(capture.counts.streamsEnded, 1u) << rate << " Hz";
    const size_t first = soundtest::FirstSoundFrame(capture.pcm);
    const size_t end = soundtest::EndSoundFrame(capture.pcm);
    ASSERT_LT(first, end);
    EXPECT_NEAR(double(end - first), seconds * rate, capture.bufferFrames) << rate << " Hz";
    const size_t margin = size_t(rate / 10);
    EXPECT_NEAR(soundtest::ToneHz(capture.pcm, 0, first + margin, end - margin, rate), 440, 2) << rate << " Hz";
    EXPECT_NEAR(soundtest::ToneHz(capture.pcm, 1, first + margin, end - margin, rate), 660, 2) << rate << " Hz";
  }
}

TEST(DevicePcm, NoSoundOutputWritesNothing) {
  const std::vector<unsigned char> mp3 = ToneMp3(0.5);
  const Capture capture = PlayThroughDisk(mp3, 44100, FSOUND_OUTPUT_NOSOUND, OutputFile("pcm-nosound.raw"));
  EXPECT_FALSE(capture.written) << "no device, no file";
  EXPECT_EQ(capture.counts.buffers, 0u);
}
