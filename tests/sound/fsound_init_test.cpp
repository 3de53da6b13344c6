// SPDX-License-Identifier: MIT
// Proves the life of the library: initialised twice in one process (dialog,
// then player), each misuse answered with its code from the table, a chosen
// output that cannot open failing with 3, and a machine without any device
// going on without sound when nothing was chosen.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class FsoundInit : public ::testing::Test {
protected:
  void SetUp() override {
    FSOUND_SetOutput(-1);
    FSOUND_SetDriver(0);
  }
  void TearDown() override { FSOUND_Close(); }
};

// Waits up to `seconds` for the device to have filled `buffers` buffers.
bool DeviceRuns(uint64_t buffers, double seconds = 5) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (PlatformGetSoundCounts().buffers < buffers) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

} // namespace

TEST_F(FsoundInit, DialogThenPlayerInitialiseInOneProcess) {
  // The dialog: no output chosen, 8000 Hz, then the list of devices.
  ASSERT_TRUE(FSOUND_Init(8000, 32, 0));
  ASSERT_GE(FSOUND_GetNumDrivers(), 1) << "SDL's dummy driver lists its one device";
  for (int i = 0; i < FSOUND_GetNumDrivers(); ++i)
    ASSERT_NE(FSOUND_GetDriverName(i), nullptr);
  EXPECT_TRUE(DeviceRuns(2));
  FSOUND_Close();
  EXPECT_EQ(FSOUND_GetNumDrivers(), 0) << "the list goes with the library";

  // The player: the dialog's choices.
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
  ASSERT_TRUE(FSOUND_SetDriver(0));
  ASSERT_TRUE(FSOUND_Init(44100, 128, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_NONE);
  EXPECT_EQ(PlatformGetSoundCounts().bufferFrames, 1024);
  EXPECT_TRUE(DeviceRuns(2));
}

TEST_F(FsoundInit, ChosenOutputThatCannotOpenFailsWithInitError) {
  soundtest::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
  EXPECT_FALSE(FSOUND_Init(44100, 128, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INIT);
  EXPECT_EQ(FSOUND_Stream_OpenFile("zarvox.mp3", 0, 0), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);
  FSOUND_Close(); // harmless after a failed FSOUND_Init
}

TEST_F(FsoundInit, NothingChosenAndNoDeviceGoesOnWithoutSound) {
  soundtest::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
  ASSERT_TRUE(FSOUND_Init(8000, 32, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_NONE);
  EXPECT_EQ(FSOUND_GetNumDrivers(), 0);
  EXPECT_EQ(PlatformGetSoundCounts().bufferFrames, 0);
}

TEST_F(FsoundInit, MisuseGetsItsErrorCode) {
  EXPECT_FALSE(FSOUND_SetOutput(4));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
  EXPECT_FALSE(FSOUND_Init(0, 32, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
  EXPECT_FALSE(FSOUND_Init(44100, 0, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, nullptr), -1);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);

  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_NONE) << "a good FSOUND_Init clears the code";
  EXPECT_FALSE(FSOUND_Init(44100, 32, 0));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_BUSY);
  EXPECT_FALSE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_BUSY);
  EXPECT_FALSE(FSOUND_SetDriver(1));
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_BUSY);
  EXPECT_EQ(FSOUND_GetDriverName(FSOUND_GetNumDrivers()), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
}

TEST_F(FsoundInit, UnlistedDeviceIndexOpensTheDefaultDevice) {
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
  ASSERT_TRUE(FSOUND_SetDriver(-1)); // what the dialog stores when it listed no device
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  EXPECT_TRUE(DeviceRuns(2));
}
