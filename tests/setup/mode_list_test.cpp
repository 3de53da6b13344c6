// SPDX-License-Identifier: MIT
// Proves which display modes the video-mode list offers, in which order and
// with which text, and that the list and modeList stay entry for entry.
#include "setup_fixture.h"

using ModeList = SetupDialogTest;

TEST(ModeFilter, KeepsThirtyTwoBitModesWithOneStandardSide) {
  std::vector<DEVMODEA> modes = {Mode(1280, 720, 32, 60), Mode(720, 480, 32, 60),  Mode(1024, 768, 16, 60),
                                 Mode(1366, 768, 32, 60), Mode(1366, 700, 32, 60), Mode(1600, 900, 24, 60),
                                 Mode(1600, 900, 32, 60)};
  FilterModes(modes, 32);
  ASSERT_EQ(modes.size(), 4u);
  // Width alone, height alone, height alone, width alone; order kept.
  EXPECT_EQ(modes[0].dmPelsWidth, 1280u);
  EXPECT_EQ(modes[1].dmPelsWidth, 720u);
  EXPECT_EQ(modes[2].dmPelsWidth, 1366u);
  EXPECT_EQ(modes[2].dmPelsHeight, 768u);
  EXPECT_EQ(modes[3].dmPelsWidth, 1600u);
  EXPECT_EQ(modes[3].dmBitsPerPel, 32u);
}

TEST(ModeFilter, EmptiesAListWithNothingAtTheDepth) {
  std::vector<DEVMODEA> modes = {Mode(640, 480, 16, 60), Mode(800, 600, 8, 60)};
  FilterModes(modes, 32);
  EXPECT_TRUE(modes.empty());
}

TEST_F(ModeList, ShowsEachKeptModeAsWidthHeightRateAndDepth) {
  SetModes({Mode(1920, 1080, 32, 60), Mode(800, 600, 32, 75), Mode(1280, 720, 32, 60), Mode(720, 480, 32, 60),
            Mode(1024, 768, 16, 60), Mode(1920, 1080, 32, 144)});
  Open();
  EXPECT_EQ(Items(IDC_VIDEO_MODES),
            (std::vector<std::string>{"800x600 @ 75 Hz 32 bpp", "1280x720 @ 60 Hz 32 bpp", "720x480 @ 60 Hz 32 bpp"}));
  EXPECT_EQ(Selected(IDC_VIDEO_MODES), 0);
  ASSERT_EQ(modeList.size(), 3u);
  EXPECT_EQ(modeList[1].dmPelsWidth, 1280u);
}

TEST_F(ModeList, DuplicatesStayAndEitherStoresTheSameMode) {
  const DWORD kInterlaced = 2;
  SetModes({Mode(1920, 1080, 32, 60), Mode(1024, 768, 32, 60), Mode(1024, 768, 32, 60, kInterlaced)});
  Open();
  EXPECT_EQ(Items(IDC_VIDEO_MODES), (std::vector<std::string>{"1024x768 @ 60 Hz 32 bpp", "1024x768 @ 60 Hz 32 bpp"}));
  SendDlgItemMessageA(dialog, IDC_VIDEO_MODES, CB_SETCURSEL, 1, 0);
  Click(IDC_START);
  EXPECT_EQ(demoSettings.videoMode.width, 1024u);
  EXPECT_EQ(demoSettings.videoMode.height, 768u);
  EXPECT_EQ(demoSettings.videoMode.refreshRate, 60u);
}

TEST_F(ModeList, StartStoresTheModeOfTheChosenEntry) {
  SetModes({Mode(1920, 1080, 32, 60), Mode(640, 480, 16, 60), Mode(800, 600, 32, 75), Mode(1280, 1024, 32, 85)});
  Open();
  SendDlgItemMessageA(dialog, IDC_VIDEO_MODES, CB_SETCURSEL, 1, 0);
  Click(IDC_START);
  EXPECT_EQ(demoSettings.videoMode.width, 1280u);
  EXPECT_EQ(demoSettings.videoMode.height, 1024u);
  EXPECT_EQ(demoSettings.videoMode.bitsPerPixel, 32u);
  EXPECT_EQ(demoSettings.videoMode.refreshRate, 85u);
}

TEST_F(ModeList, NoUsableModeLeavesTheVideoModeAsItWas) {
  demoSettings.videoMode = {1111, 222, 24, 50};
  SetModes({Mode(1920, 1080, 32, 60), Mode(1024, 768, 16, 60)});
  Open();
  EXPECT_TRUE(Items(IDC_VIDEO_MODES).empty());
  EXPECT_EQ(Selected(IDC_VIDEO_MODES), CB_ERR);
  Click(IDC_START);
  EXPECT_EQ(Result(), 1);
  EXPECT_EQ(demoSettings.videoMode.width, 1111u);
  EXPECT_EQ(demoSettings.videoMode.height, 222u);
  EXPECT_EQ(demoSettings.videoMode.bitsPerPixel, 24u);
  EXPECT_EQ(demoSettings.videoMode.refreshRate, 50u);
}

TEST_F(ModeList, NoModeAtAllLeavesTheListEmpty) {
  SetModes({Mode(1920, 1080, 32, 60)}); // the current mode and nothing to choose from
  Open();
  EXPECT_TRUE(Items(IDC_VIDEO_MODES).empty());
  EXPECT_TRUE(modeList.empty());
  Click(IDC_START);
  EXPECT_EQ(demoSettings.videoMode.width, 640u);
}

TEST_F(ModeList, OpeningAgainListsEachModeOnce) {
  Open();
  PlatformDeleteDialog(dialog);
  Open();
  EXPECT_EQ(Items(IDC_VIDEO_MODES).size(), modeList.size());
  EXPECT_EQ(modeList.size(), 3u);
}
