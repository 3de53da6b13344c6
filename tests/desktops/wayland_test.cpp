// SPDX-License-Identifier: MIT
// The show on a Wayland compositor with no X server at all (headless sway,
// keys through a virtual keyboard, screenshots of the output): the dialog
// appears, Enter starts the show full screen at 640 x 480 while the output
// keeps its 1024 x 768 mode, the sections' effects show at their times, and
// the show ends by itself, on Escape, on SIGTERM and when the compositor
// closes its window. With DISPLAY set too (run under Xvfb), the dialog and
// the show come up on the compositor, not on the X server.
#include "desktops.h"
#include "support/screen.h"
#include "support/sections.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

using namespace desktops;
using namespace showkit;

namespace {

bool Light(int r, int g, int b) {
  return r >= 200 && g >= 200 && b >= 200;
}

class Wayland : public ::testing::Test {
protected:
  void SetUp() override {
    if (!sway.Up())
      GTEST_SKIP() << "no Wayland compositor: " << sway.Why();
    ASSERT_TRUE(Exists(DataFile())) << "the build makes " << DataFile();
    ASSERT_EQ(symlink(DataFile().c_str(), (scratch / "zarvox.dat").c_str()), 0);
    options.cwd = scratch.Path();
    options.setEnv = sway.ClientEnv();
    options.setEnv.insert(options.setEnv.end(),
                          {"SDL_AUDIODRIVER=dummy", "XDG_STATE_HOME=" + (scratch / "state"), "NO_AT_BRIDGE=1"});
    options.unsetEnv = {"DISPLAY", "SDL_VIDEODRIVER", "GDK_BACKEND"};
    // SDL unloads the Wayland libraries it opened when it quits, so what they
    // keep to the end reaches LeakSanitizer from an unknown module that no
    // suppression can name. Our own code's leaks are checked on X11.
    const char *asan = std::getenv("ASAN_OPTIONS");
    options.setEnv.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":detect_leaks=0");
  }

  // Starts the show from its dialog with 640 x 480 chosen; the time Enter
  // went, or 0 after a failure.
  double Start(Child &show) {
    const int index = DialogModeIndex(640, 480, options.setEnv, options.unsetEnv);
    Picture dialog;
    for (const double deadline = Now() + 60; Now() < deadline && dialog.Share(Light) < 0.1;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      if (!sway.Screenshot(&dialog))
        dialog = Picture();
    }
    // Drawn by GTK: its light grey background over the compositor's dark one.
    EXPECT_GT(dialog.Share(Light), 0.1) << "no dialog on the output: " << show.Err();
    EXPECT_GE(index, 0) << "the dialog does not offer 640x480";
    if (dialog.Share(Light) <= 0.1 || index < 0)
      return 0;
    std::vector<std::string> keys = {"Tab"}; // to the mode list
    keys.insert(keys.end(), size_t(index), "Down");
    keys.push_back("Return");
    EXPECT_TRUE(sway.Keys(keys));
    return Now();
  }

  // Waits for the zoom's first frame; seconds from `entered`, or 0.
  double FirstFrame(Child &show, double entered) {
    for (const double deadline = Now() + 60; Now() < deadline;) {
      Picture picture;
      if (sway.Screenshot(&picture) && picture.Share(Orange) > 0.02)
        return Now() - entered;
      if (!show.Running())
        break;
    }
    ADD_FAILURE() << "the show drew no first frame: " << show.Err();
    return 0;
  }

  ScratchDir scratch;
  Sway sway{scratch.Path()};
  RunOptions options;
};

} // namespace

TEST_F(Wayland, RunsFullScreenFromTheDialogToItsEndAndLeavesTheOutputAlone) {
  Child show({Program("zarvox")}, options);
  const double entered = Start(show);
  ASSERT_GT(entered, 0);
  const double first = FirstFrame(show, entered);
  ASSERT_GT(first, 0);
  const double started = Now();
  std::printf("Enter to first frame: %.2f s\n", first);
  // A 640 x 480 mode on Wayland is the show's surface scaled to the output,
  // whose own mode stays as it was.
  EXPECT_EQ(sway.OutputMode(), "1024x768");
  // The zoom recedes: a look timed from a first frame seen late finds a
  // smaller logo, so it comes a second before the logo is narrowest allowed.
  const struct {
    double second;
    int section;
    const char *what;
  } looks[] = {{5, 0, "logo zoom"}, {35, 2, "logo spin"}};
  for (const auto &look : looks) {
    std::this_thread::sleep_for(std::chrono::duration<double>(started + look.second - Now()));
    Picture picture;
    ASSERT_TRUE(sway.Screenshot(&picture)) << look.what;
    EXPECT_EQ(picture.width, 1024);
    ExpectSection(look.section, picture, look.what);
  }
  ASSERT_TRUE(show.Wait(started + 150 - Now())) << "the show did not end by itself";
  EXPECT_EQ(show.Status(), 0) << show.Err();
  // The show ran to its end, 127.5 s after its clock started, which lies
  // between Enter and the first frame seen (a screenshot on a busy machine
  // sees it up to a second late).
  EXPECT_GT(Now() - entered, 127.0);
  EXPECT_EQ(sway.OutputMode(), "1024x768");
}

TEST_F(Wayland, EndsOnEscapeSigtermAndTheCompositorsClose) {
  const struct {
    const char *how;
    int status;
  } ends[] = {{"Escape", 0}, {"SIGTERM", kStatusAfterStopSignal}, {"close", 0}};
  for (const auto &end : ends) {
    SCOPED_TRACE(end.how);
    Child show({Program("zarvox")}, options);
    const double entered = Start(show);
    ASSERT_GT(entered, 0);
    const double first = FirstFrame(show, entered);
    ASSERT_GT(first, 0);
    std::printf("%s run: Enter to first frame %.2f s\n", end.how, first);
    if (std::string(end.how) == "Escape")
      ASSERT_TRUE(sway.Keys({"Escape"}));
    else if (std::string(end.how) == "SIGTERM")
      show.Kill(SIGTERM);
    else // the compositor asks the focused window to close
      sway.Message({"kill"});
    ASSERT_TRUE(show.Wait(20)) << "the show did not end";
    EXPECT_EQ(show.Status(), end.status) << show.Err();
    EXPECT_EQ(sway.OutputMode(), "1024x768");
  }
}

// Without OpenGL (here: no EGL library) a Wayland window would never show,
// and nothing could end the show: the program says why and ends at once.
TEST_F(Wayland, WithoutOpenGLItSaysWhyAndEndsAtOnce) {
  options.setEnv.push_back("SDL_VIDEO_EGL_DRIVER=/nonexistent/libEGL.so.1");
  Child show({Program("zarvox")}, options);
  ASSERT_GT(Start(show), 0);
  ASSERT_TRUE(show.Wait(20)) << "the show went on without a window";
  EXPECT_EQ(show.Status(), 1);
  EXPECT_NE(show.Err().find("zarvox: cannot make the window \"demo Window\": no OpenGL"), std::string::npos)
      << show.Err();
}

// Run under Xvfb: DISPLAY and WAYLAND_DISPLAY are both set, as on a Wayland
// desktop with Xwayland.
TEST_F(Wayland, WithBothDisplaysSetTheShowIsAWaylandClient) {
  Screen x11;
  if (!x11.Open())
    GTEST_SKIP() << "no X server at DISPLAY: run under with-xvfb";
  options.unsetEnv = {"SDL_VIDEODRIVER", "GDK_BACKEND"};
  // The dialog's part: Start finds it on the compositor's output.
  Child show({Program("zarvox")}, options);
  const double entered = Start(show);
  ASSERT_GT(entered, 0);
  ASSERT_GT(FirstFrame(show, entered), 0);
  EXPECT_NE(sway.Message({"-t", "get_tree"}).find("\"demo Window\""), std::string::npos);
  EXPECT_EQ(x11.Find("demo Window"), 0u) << "the show went to the X server";
  ASSERT_TRUE(sway.Keys({"Escape"}));
  ASSERT_TRUE(show.Wait(20)) << "Escape did not end the show";
  EXPECT_EQ(show.Status(), 0) << show.Err();
}
