// SPDX-License-Identifier: MIT
// Proves how the setup dialog lists sound devices and output types, what it
// stores without a device, and how it reports a sound library that fails.
#include "setup_fixture.h"

using SoundSetupDialog = SetupDialogTest;

TEST_F(SoundSetupDialog, ListsTheDevicesThenClosesTheLibrary) {
  fake::Get().drivers = {"Primary Sound Driver", "USB Headset", "HDMI"};
  Open();
  EXPECT_EQ(Items(IDC_SOUND_DEVICES), fake::Get().drivers);
  EXPECT_EQ(Selected(IDC_SOUND_DEVICES), 0);
  EXPECT_EQ(fake::Get().inits, 1);
  EXPECT_EQ(fake::Get().initRate, 8000);
  EXPECT_EQ(fake::Get().initChannels, 32);
  EXPECT_EQ(fake::Get().initFlags, 0u);
  EXPECT_EQ(fake::Get().closes, 1);
  EXPECT_FALSE(fake::Get().initialised);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SoundSetupDialog, OutputTypesFollowTheLibrarysNumbering) {
  Open();
  EXPECT_EQ(Items(IDC_OUTPUT_TYPES),
            (std::vector<std::string>{"No Sound", "Windows MM WaveOut", "Direct Sound", "Aureal A3D"}));
  SendDlgItemMessageA(dialog, IDC_OUTPUT_TYPES, CB_SETCURSEL, 3, 0);
  Click(IDC_START);
  EXPECT_EQ(demoSettings.soundSetup.output, 3);
}

TEST_F(SoundSetupDialog, NoDeviceStoresMinusOne) {
  fake::Get().drivers.clear();
  Open();
  EXPECT_TRUE(Items(IDC_SOUND_DEVICES).empty());
  EXPECT_EQ(Selected(IDC_SOUND_DEVICES), CB_ERR);
  Click(IDC_START);
  EXPECT_EQ(Result(), 1);
  EXPECT_EQ(demoSettings.soundSetup.driver, -1);
  EXPECT_EQ(demoSettings.soundSetup.output, 2);
}

TEST_F(SoundSetupDialog, ANamelessDeviceKeepsItsPlace) {
  fake::Get().drivers = {"first", "second"};
  Open();
  SendDlgItemMessageA(dialog, IDC_SOUND_DEVICES, CB_SETCURSEL, 1, 0);
  Click(IDC_START);
  EXPECT_EQ(demoSettings.soundSetup.driver, 1);
}

TEST_F(SoundSetupDialog, ALibraryFailureIsShownOverTheDialogWhichThenCloses) {
  fake::Get().initFails = true;
  fake::Get().error = FSOUND_ERR_INIT;
  Open();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, dialog);
  EXPECT_TRUE(boxes[0].ownerAlive);
  EXPECT_EQ(boxes[0].text, "Error initializing output device.");
  EXPECT_EQ(boxes[0].caption, "FSOUND");
  EXPECT_EQ(boxes[0].type, UINT(MB_SYSTEMMODAL | MB_ICONERROR));
  // Closed: the run ends with 0 and the show does not start.
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(Result(), 0);
  EXPECT_EQ(fake::Get().closes, 0);
  // The opening steps after the device list still ran.
  EXPECT_EQ(Items(IDC_OUTPUT_TYPES).size(), 4u);
  EXPECT_EQ(Selected(IDC_OUTPUT_TYPES), 2);
  EXPECT_TRUE(Checked(IDC_FULLSCREEN));
  EXPECT_TRUE(Checked(IDC_RATE_44K));
  EXPECT_EQ(Selected(IDC_VIDEO_MODES), 0);
  EXPECT_TRUE(Items(IDC_SOUND_DEVICES).empty());
}

TEST(SoundErrorText, GivesTheLibrarysTextForEachCodeAndUnknownOutside) {
  // The texts the viewer sees, spot-checked where they are easy to get
  // wrong: the first and last codes, a double space, a trailing space.
  EXPECT_STREQ(SoundErrorText(0), "No errors");
  EXPECT_STREQ(SoundErrorText(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
  EXPECT_STREQ(SoundErrorText(3), "Error initializing output device.");
  EXPECT_STREQ(SoundErrorText(12), "Not enough memory ");
  EXPECT_STREQ(SoundErrorText(19), "Required Mediaplayer codec is not installed");
  for (int code = 0; code < 20; ++code)
    EXPECT_STRNE(SoundErrorText(code), "Unknown error") << code;
  for (int code : {-1, 20, 21, 1000, -2147483647 - 1})
    EXPECT_STREQ(SoundErrorText(code), "Unknown error") << code;
}
