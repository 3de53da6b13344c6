// SPDX-License-Identifier: MIT
// A real display mode switch: Xorg with the dummy driver offers 1024x768
// (its desktop mode), 800x600 and 640x480 through RandR. Choosing 640x480 in
// the dialog switches the screen, the show's window covers it exactly from
// 0,0, and the desktop mode comes back however the show ends: Escape, a
// close request (the close button's WM_DELETE_WINDOW; under a window manager
// the manager's own close), SIGTERM, and a crash. With and without openbox.
#include "desktops.h"
#include "support/screen.h"
#include "support/sections.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace desktops;
using namespace showkit;

namespace {

bool Black(int r, int g, int b) {
  return r < 24 && g < 24 && b < 24;
}

// Share of black pixels along each edge of the picture, the worst edge.
double BlackAtEdges(const Picture &picture, int strip) {
  double worst = 0;
  for (int edge = 0; edge < 4; ++edge) {
    const bool rows = edge < 2;
    const int across = rows ? picture.width : picture.height;
    int black = 0;
    for (int i = 0; i < across; ++i)
      for (int d = 0; d < strip; ++d) {
        const int x = rows ? i : edge == 2 ? d : picture.width - 1 - d;
        const int y = !rows ? i : edge == 0 ? d : picture.height - 1 - d;
        const uint8_t *p = picture.At(x, y);
        black += Black(p[0], p[1], p[2]);
      }
    worst = std::max(worst, double(black) / (across * strip));
  }
  return worst;
}

// True once the show's thread sleeps in the frame pacing (clock_nanosleep),
// outside any call on the display connection: a fault inside one cannot
// restore the mode (README), and would make the outcome a matter of luck.
bool WaitingForFrame(pid_t pid) {
  const std::string path = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/syscall";
  for (const double deadline = Now() + 10; Now() < deadline;)
    if (std::atoi(ReadText(path).c_str()) == SYS_clock_nanosleep)
      return true;
  return false;
}

enum class End { Escape, Close, Sigterm, Crash };

class ModeSwitch : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    if (!xorg.Up()) {
      if (geteuid() != 0)
        GTEST_SKIP() << "no X server with real modes: " << xorg.Why();
      FAIL() << xorg.Why();
    }
    ASSERT_TRUE(Exists(DataFile())) << "the build makes " << DataFile();
    ASSERT_EQ(symlink(DataFile().c_str(), (scratch / "zarvox.dat").c_str()), 0);
    setenv("DISPLAY", xorg.Display().c_str(), 1); // for the Screen and xdotool
    options.cwd = scratch.Path();
    options.setEnv = {"DISPLAY=" + xorg.Display(), "SDL_AUDIODRIVER=dummy", "XDG_STATE_HOME=" + (scratch / "state"),
                      "NO_AT_BRIDGE=1"};
    options.unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "GDK_BACKEND"};
  }

  // Runs the show at 640x480 from the dialog and ends it as `end` says.
  void RunAndEnd(End end, const char *name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(xorg.CurrentMode(), "1024x768") << "the desktop mode is not there to start from";
    const int index = DialogModeIndex(640, 480, options.setEnv, options.unsetEnv);
    ASSERT_GE(index, 0) << "the dialog does not offer 640x480";
    Screen screen;
    ASSERT_TRUE(screen.Open());
    RunOptions run = options;
    if (end == End::Crash) { // the program's own handler, not the sanitizer's, meets the fault
      const char *asan = std::getenv("ASAN_OPTIONS");
      run.setEnv.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":handle_segv=0");
    }
    Child show({Program("zarvox")}, run);
    const unsigned long dialog = screen.WaitFor("zarvox", 60);
    ASSERT_NE(dialog, 0u) << "no setup dialog: " << show.Err();
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the dialog takes keys once drawn
    ASSERT_TRUE(screen.Press(dialog, "Tab"));                    // to the mode list
    for (int i = 0; i < index; ++i)
      ASSERT_TRUE(screen.Press(dialog, "Down"));
    ASSERT_TRUE(screen.Press(dialog, "Return"));
    const double entered = Now();
    const unsigned long window = screen.WaitFor("demo Window", 60);
    ASSERT_NE(window, 0u) << "Enter started no show: " << show.Err();
    Picture picture;
    while (Now() < entered + 60 && !(screen.Grab(screen.Root(), &picture) && picture.Share(Orange) > 0.02))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_GT(picture.Share(Orange), 0.02) << "the show drew no first frame: " << show.Err();
    std::printf("%s: Enter to first frame %.2f s\n", name, Now() - entered);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the show takes keys once it runs
    ASSERT_TRUE(screen.Grab(screen.Root(), &picture));

    // The screen itself is 640x480 now, and the window fills it.
    EXPECT_EQ(xorg.CurrentMode(), "640x480");
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.height, 480);
    int x = -1, y = -1, width = 0, height = 0;
    EXPECT_TRUE(screen.Geometry(window, &x, &y, &width, &height));
    EXPECT_TRUE(x == 0 && y == 0 && width == 640 && height == 480)
        << "window at " << x << "," << y << ", " << width << " x " << height;
    EXPECT_LT(BlackAtEdges(picture, 2), 0.02) << "black at the screen's edges: the picture does not cover it";
    EXPECT_GT(picture.Share(White), 0.1) << "the zoom's white background does not fill the screen";

    int status = 0;
    switch (end) {
    case End::Escape:
      ASSERT_TRUE(screen.Press(window, "Escape"));
      break;
    case End::Close:
      ASSERT_TRUE(screen.Close(window, GetParam()));
      break;
    case End::Sigterm:
      show.Kill(SIGTERM);
      status = kStatusAfterStopSignal;
      break;
    case End::Crash: // a fault in the show's own thread, while it waits for its next frame
      ASSERT_TRUE(WaitingForFrame(show.Pid()));
      ASSERT_EQ(syscall(SYS_tgkill, show.Pid(), show.Pid(), SIGSEGV), 0);
      status = 128 + SIGSEGV;
      break;
    }
    ASSERT_TRUE(show.Wait(20)) << "the show did not end";
    EXPECT_EQ(show.Status(), status) << show.Err();
    EXPECT_EQ(xorg.CurrentMode(), "1024x768") << "the desktop mode did not come back";
  }

  ScratchDir scratch;
  Xorg xorg{scratch.Path(), GetParam()};
  RunOptions options;
};

} // namespace

TEST_P(ModeSwitch, SwitchesCoversTheScreenAndGivesTheModeBack) {
  RunAndEnd(End::Escape, "Escape");
  RunAndEnd(End::Close, GetParam() ? "the window manager's close" : "the close button");
  RunAndEnd(End::Sigterm, "SIGTERM");
  RunAndEnd(End::Crash, "SIGSEGV");
}

INSTANTIATE_TEST_SUITE_P(WindowManager, ModeSwitch, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                           return std::string(info.param ? "Openbox" : "None");
                         });
