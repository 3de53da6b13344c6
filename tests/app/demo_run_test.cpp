// SPDX-License-Identifier: MIT
// Proves the show's spine: the loop ends when the rounded elapsed time
// reaches the show's length (127.5 s of counter time), on WM_QUIT, on Escape
// and on the close box, runs on without end when the counter has no frequency, and the
// teardown gives the desktop its mode back after a fullscreen run and makes
// no display change after a windowed one. Runs on SDL's dummy video driver.
#include "app/demo.h"

#include "platform/tap_linux.h"

#include <gtest/gtest.h>

namespace {

struct Counter {
  int64_t now = 0;  // ticks at 10 MHz
  int64_t step = 0; // added on every reading
  int64_t reads = 0;
  int64_t quitAfter = -1; // post WM_QUIT at this reading (-1: never)
};
Counter counter;

int64_t ReadCounter(void *) {
  counter.now += counter.step;
  if (++counter.reads == counter.quitAfter)
    PostQuitMessage(0);
  return counter.now;
}

DEVMODEA Mode(DWORD width, DWORD height) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  mode.dmPelsWidth = width, mode.dmPelsHeight = height, mode.dmBitsPerPel = 32, mode.dmDisplayFrequency = 60;
  return mode;
}

class DemoRun : public ::testing::Test {
protected:
  void SetUp() override {
    counter = Counter();
    PlatformSetCounterSource(ReadCounter, nullptr);
    PlatformSetMessageBoxHook([](void *, HWND, const char *, const char *, UINT) { return IDNO; }, nullptr);
    const DEVMODEA modes[] = {Mode(1280, 1024), Mode(1280, 1024), Mode(640, 480)};
    PlatformSetDisplayModes(modes, 3);
    DrainQueue();
  }
  void TearDown() override {
    PlatformSetCounterSource(nullptr, nullptr);
    PlatformSetMessageBoxHook(nullptr, nullptr);
    PlatformSetDisplayModes(nullptr, 0);
    DrainQueue();
  }
  static void DrainQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      if (message.message == WM_PAINT)
        DefWindowProcA(message.hwnd, WM_PAINT, 0, 0);
  }
  const VideoMode windowed = {640, 480, 32, 60};
  const SoundSetup sound = {0, 2, 44100};
};

} // namespace

TEST_F(DemoRun, EndsWhenTheRoundedTimeReachesTheLength) {
  Demo demo(nullptr, 128);
  demo.Setup(windowed, sound, false);
  DrainQueue(); // the window's first paint, so that every pass renders
  // A rendered pass reads the clock six times (once per effect, then the end
  // test), so the end tests read multiples of 0.51 s: the 250th reads 127.5 s.
  counter.step = 850000;
  demo.Run();
  // The end test that stopped the loop read exactly 127.5 s.
  EXPECT_EQ(demo.timer.currentCount - demo.timer.startCount, 1275000000);
}

TEST_F(DemoRun, EndsOnQuitEscapeReleasedAndClose) {
  Demo demo(nullptr, 128);
  demo.Setup(windowed, sound, false);
  counter.step = 1;
  PostQuitMessage(0);
  demo.Run();
  EXPECT_LT(demo.timer.currentCount - demo.timer.startCount, 100000);

  PostMessageA(demo.mainWindow.handle, WM_KEYUP, VK_ESCAPE, LPARAM(0xC0010001));
  demo.Run();
  EXPECT_LT(demo.timer.currentCount - demo.timer.startCount, 100000);

  // The close box: default processing destroys the window, which quits.
  PostMessageA(demo.mainWindow.handle, WM_SYSCOMMAND, SC_CLOSE, 0);
  demo.Run();
  EXPECT_LT(demo.timer.currentCount - demo.timer.startCount, 100000);
  EXPECT_FALSE(IsWindow(demo.mainWindow.handle));
}

TEST_F(DemoRun, WithoutAFrequencyOnlyTheViewerEndsTheShow) {
  Demo demo(nullptr, 128);
  demo.timer.frequency = 0;
  demo.Setup(windowed, sound, false);
  counter.step = 100000000; // 10 s per reading
  counter.quitAfter = 1000; // far past the show's length
  demo.Run();
  EXPECT_GE(counter.reads, 1000);
  DestroyWindow(demo.mainWindow.handle);
}

TEST_F(DemoRun, FullscreenTeardownRestoresTheDesktopAndWindowedMakesNoChange) {
  const uint64_t before = PlatformGetCallCounts().displayChanges;
  {
    Demo demo(nullptr, 128);
    demo.Setup(windowed, sound, true);
    EXPECT_TRUE(demo.mainWindow.fullscreen);
    EXPECT_EQ(PlatformGetCallCounts().displayChanges, before + 1);
    PostQuitMessage(0);
    demo.Run();
    DestroyWindow(demo.mainWindow.handle); // still fullscreen: only the teardown restores
  }
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, before + 2);
  DEVMODEA current{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
  EXPECT_EQ(current.dmPelsWidth, 1280u);

  {
    Demo demo(nullptr, 128);
    demo.Setup(windowed, sound, false);
    PostQuitMessage(0);
    demo.Run();
    DestroyWindow(demo.mainWindow.handle);
  }
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, before + 2);
}

TEST_F(DemoRun, SetupTakesTheVideoModeIntoTheWindow) {
  Demo demo(nullptr, 128);
  const VideoMode mode = {800, 600, 16, 75};
  demo.Setup(mode, sound, false);
  EXPECT_EQ(demo.mainWindow.mode.bitsPerPixel, 16u);
  EXPECT_EQ(demo.mainWindow.mode.refreshRate, 75u);
  RECT client;
  ASSERT_TRUE(GetClientRect(demo.mainWindow.handle, &client));
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_EQ(demo.glContext.viewport.width, 800); // remembered even where no GL context could be made
  EXPECT_EQ(demo.glContext.viewport.height, 600);
  EXPECT_NE(demo.musicPlayer, nullptr); // made even without a soundtrack to play
  DestroyWindow(demo.mainWindow.handle);
}
