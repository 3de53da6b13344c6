// SPDX-License-Identifier: MIT
// Proves how display modes are reported and matched: Windows' bit counts,
// matching on the fields a request names, the test list replacing the
// screen's, and a switch that is held until it is restored.
#include "common/display_match.h"

#include "platform/tap_linux.h"
#include "platform/user.h"

#include <gtest/gtest.h>

using platform::MakeMode;

TEST(DisplayModeMatch, CountsBitsPerPixelAsWindowsDoes) {
  EXPECT_EQ(platform::WindowsBitsPerPel(24, 4), 32u); // 8-bit RGB in 32-bit pixels
  EXPECT_EQ(platform::WindowsBitsPerPel(32, 4), 32u);
  EXPECT_EQ(platform::WindowsBitsPerPel(24, 3), 24u);
  EXPECT_EQ(platform::WindowsBitsPerPel(16, 2), 16u);
  EXPECT_EQ(platform::WindowsBitsPerPel(15, 2), 16u);
}

TEST(DisplayModeMatch, ComparesOnlyTheFieldsTheRequestNames) {
  const DEVMODEA offered = MakeMode(640, 480, 32, 60);
  EXPECT_TRUE(platform::ModeSatisfies(MakeMode(640, 480, 32, 60), offered));
  EXPECT_FALSE(platform::ModeSatisfies(MakeMode(640, 480, 32, 75), offered));
  EXPECT_FALSE(platform::ModeSatisfies(MakeMode(640, 480, 16, 60), offered));
  EXPECT_FALSE(platform::ModeSatisfies(MakeMode(800, 480, 32, 60), offered));
  EXPECT_FALSE(platform::ModeSatisfies(MakeMode(640, 600, 32, 60), offered));

  DEVMODEA sizeOnly = MakeMode(640, 480, 8, 85);
  sizeOnly.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  EXPECT_TRUE(platform::ModeSatisfies(sizeOnly, offered));
}

TEST(DisplayModeMatch, RefreshRateZeroOrOneAsksForTheDefaultRate) {
  EXPECT_TRUE(platform::ModeSatisfies(MakeMode(640, 480, 32, 0), MakeMode(640, 480, 32, 60)));
  EXPECT_TRUE(platform::ModeSatisfies(MakeMode(640, 480, 32, 1), MakeMode(640, 480, 32, 75)));
  // A screen that does not know its rate does not offer a 60 Hz mode.
  EXPECT_FALSE(platform::ModeSatisfies(MakeMode(640, 480, 32, 60), MakeMode(640, 480, 32, 0)));
}

TEST(DisplayModeMatch, FindsTheFirstModeThatFits) {
  const DEVMODEA modes[] = {MakeMode(800, 600, 32, 60), MakeMode(640, 480, 16, 60), MakeMode(640, 480, 32, 60),
                            MakeMode(640, 480, 32, 60)};
  EXPECT_EQ(platform::FindMode(MakeMode(640, 480, 32, 60), modes, 4), 2);
  EXPECT_EQ(platform::FindMode(MakeMode(1024, 768, 32, 60), modes, 4), -1);
  EXPECT_EQ(platform::FindMode(MakeMode(640, 480, 32, 60), modes, 0), -1);
}

class DisplayModeList : public ::testing::Test {
protected:
  void SetUp() override { PlatformSetDisplayModes(modes, 4); }
  void TearDown() override {
    ChangeDisplaySettingsA(nullptr, 0);
    PlatformSetDisplayModes(nullptr, 0);
  }
  // [0] is the desktop, then the offered list.
  const DEVMODEA modes[4] = {MakeMode(1280, 1024, 32, 60), MakeMode(1280, 1024, 32, 60), MakeMode(800, 600, 32, 75),
                             MakeMode(640, 480, 32, 60)};
};

TEST_F(DisplayModeList, EnumeratesTheListAndTheCurrentMode) {
  DEVMODEA mode{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, 2, &mode));
  EXPECT_EQ(mode.dmPelsWidth, 640u);
  EXPECT_EQ(mode.dmPelsHeight, 480u);
  EXPECT_EQ(mode.dmBitsPerPel, 32u);
  EXPECT_EQ(mode.dmDisplayFrequency, 60u);
  EXPECT_EQ(mode.dmFields, DWORD(DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY));
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 3, &mode));
  EXPECT_FALSE(EnumDisplaySettingsA("\\\\.\\DISPLAY2", 0, &mode));
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
  EXPECT_EQ(mode.dmPelsWidth, 1280u);
}

TEST_F(DisplayModeList, SwitchesOnlyToOfferedModesAndHoldsUntilRestored) {
  const uint64_t changesBefore = PlatformGetCallCounts().displayChanges;
  DEVMODEA missing = MakeMode(640, 480, 32, 85);
  EXPECT_EQ(ChangeDisplaySettingsA(&missing, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
  DEVMODEA offered = MakeMode(640, 480, 32, 60);
  EXPECT_EQ(ChangeDisplaySettingsA(&offered, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changesBefore); // tests and refusals change nothing

  EXPECT_EQ(ChangeDisplaySettingsA(&offered, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changesBefore + 1);
  DEVMODEA current{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
  EXPECT_EQ(current.dmPelsWidth, 640u);

  EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changesBefore + 2);
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
  EXPECT_EQ(current.dmPelsWidth, 1280u);
  // A restore with nothing held changes nothing.
  EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changesBefore + 2);
}

TEST_F(DisplayModeList, ReplacingTheListDropsAPretendedSwitch) {
  DEVMODEA offered = MakeMode(800, 600, 32, 75);
  ASSERT_EQ(ChangeDisplaySettingsA(&offered, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  PlatformSetDisplayModes(modes, 4);
  DEVMODEA current{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
  EXPECT_EQ(current.dmPelsWidth, 1280u);
}
