// SPDX-License-Identifier: MIT
// Proves what the setup dialog stores for each command, what it returns, and
// that commands it has no use for change nothing.
#include "setup_fixture.h"

using SetupCommands = SetupDialogTest;

TEST_F(SetupCommands, OpensWithTheDefaultsShown) {
  Open();
  EXPECT_TRUE(Checked(IDC_FULLSCREEN));
  EXPECT_FALSE(Checked(IDC_WINDOW));
  EXPECT_TRUE(Checked(IDC_RATE_44K));
  for (int id : {IDC_RATE_48K, IDC_RATE_22K, IDC_RATE_11K})
    EXPECT_FALSE(Checked(id)) << id;
  EXPECT_EQ(Selected(IDC_OUTPUT_TYPES), 2);
  EXPECT_EQ(Selected(IDC_SOUND_DEVICES), 0);
  EXPECT_EQ(Result(), -99);
}

TEST_F(SetupCommands, StartUntouchedStoresTheFirstOfEverythingAndReturnsOne) {
  Open();
  Click(IDC_START);
  EXPECT_EQ(Result(), 1);
  EXPECT_EQ(demoSettings.videoMode.width, 800u);
  EXPECT_EQ(demoSettings.videoMode.height, 600u);
  EXPECT_EQ(demoSettings.videoMode.bitsPerPixel, 32u);
  EXPECT_EQ(demoSettings.videoMode.refreshRate, 75u);
  EXPECT_TRUE(demoSettings.fullscreen);
  EXPECT_EQ(demoSettings.soundSetup.driver, 0);
  EXPECT_EQ(demoSettings.soundSetup.output, 2);
  EXPECT_EQ(demoSettings.soundSetup.mixRate, 44100);
}

TEST_F(SetupCommands, EnterPressesStart) {
  Open();
  PlatformDialogPressKey(dialog, VK_RETURN);
  EXPECT_EQ(Result(), 1);
}

TEST_F(SetupCommands, WindowThenExitKeepsTheFlagButReturnsZero) {
  Open();
  Click(IDC_WINDOW);
  EXPECT_TRUE(Checked(IDC_WINDOW));
  EXPECT_FALSE(Checked(IDC_FULLSCREEN));
  Click(IDC_EXIT);
  EXPECT_EQ(Result(), 0);
  EXPECT_FALSE(demoSettings.fullscreen);
}

TEST_F(SetupCommands, FlagAndRateChangeAtTheClickNotAtStart) {
  Open();
  Click(IDC_WINDOW);
  Click(IDC_RATE_22K);
  EXPECT_FALSE(demoSettings.fullscreen);
  EXPECT_EQ(demoSettings.soundSetup.mixRate, 22050);
  EXPECT_EQ(Result(), -99);
  Click(IDC_FULLSCREEN);
  EXPECT_TRUE(demoSettings.fullscreen);
}

TEST_F(SetupCommands, TheLastClickedRateWins) {
  Open();
  const std::pair<int, int> rates[] = {{IDC_RATE_48K, 48000},
                                       {IDC_RATE_11K, 11025},
                                       {IDC_RATE_22K, 22050},
                                       {IDC_RATE_44K, 44100},
                                       {IDC_RATE_48K, 48000}};
  for (auto [id, hertz] : rates) {
    Click(id);
    EXPECT_EQ(demoSettings.soundSetup.mixRate, hertz);
    EXPECT_TRUE(Checked(id));
  }
  // One rate button checked at a time, and the window/fullscreen pair untouched.
  EXPECT_FALSE(Checked(IDC_RATE_44K));
  EXPECT_TRUE(Checked(IDC_FULLSCREEN));
}

TEST_F(SetupCommands, ListChoicesAreReadAtStart) {
  Open();
  SendDlgItemMessageA(dialog, IDC_SOUND_DEVICES, CB_SETCURSEL, 1, 0);
  SendDlgItemMessageA(dialog, IDC_OUTPUT_TYPES, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(dialog, IDC_VIDEO_MODES, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(demoSettings.soundSetup.driver, 0);
  Click(IDC_START);
  EXPECT_EQ(demoSettings.soundSetup.driver, 1);
  EXPECT_EQ(demoSettings.soundSetup.output, 0);
  EXPECT_EQ(demoSettings.videoMode.width, 1280u);
}

TEST_F(SetupCommands, CancelAndListNotificationsDoNothing) {
  Open();
  const DemoSettings before = demoSettings;
  PlatformDialogPressKey(dialog, VK_ESCAPE); // IDCANCEL, as the Escape key sends it
  Command(IDCANCEL, BN_CLICKED);
  for (int list : {IDC_VIDEO_MODES, IDC_SOUND_DEVICES, IDC_OUTPUT_TYPES})
    for (int code : {CBN_SELCHANGE, CBN_DROPDOWN})
      Command(list, code);
  Command(4242, BN_CLICKED);
  EXPECT_EQ(Result(), -99);
  EXPECT_EQ(demoSettings.fullscreen, before.fullscreen);
  EXPECT_EQ(demoSettings.soundSetup.mixRate, before.soundSetup.mixRate);
  EXPECT_EQ(demoSettings.soundSetup.driver, before.soundSetup.driver);
  EXPECT_EQ(demoSettings.videoMode.width, before.videoMode.width);
}

TEST_F(SetupCommands, TheNotificationCodeDoesNotMatterForButtons) {
  Open();
  Command(IDC_RATE_11K, 5);
  EXPECT_EQ(demoSettings.soundSetup.mixRate, 11025);
  Command(IDC_START, 7);
  EXPECT_EQ(Result(), 1);
}

TEST_F(SetupCommands, OpeningCentresTheDialogOnTheScreen) {
  Open();
  RECT rect;
  ASSERT_TRUE(GetWindowRect(dialog, &rect));
  const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
  EXPECT_GT(width, 267);
  EXPECT_EQ(rect.left, (1920 - width) / 2);
  EXPECT_EQ(rect.top, (1080 - height) / 2);
}

TEST_F(SetupCommands, AScreenSmallerThanTheDialogPutsItAtTheCorner) {
  SetModes({Mode(320, 200, 32, 60), Mode(640, 480, 32, 60)});
  Open();
  RECT rect;
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
}

TEST_F(SetupCommands, OtherMessagesGoToTheDefaultProcessing) {
  Open();
  EXPECT_EQ(SendMessageA(dialog, WM_PAINT, 0, 0), 0);
  EXPECT_TRUE(IsWindow(dialog));
  SendMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(Result(), 0);
}
