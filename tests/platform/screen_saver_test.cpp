// SPDX-License-Identifier: MIT
// Proves the screen-saver rule on a real X server: a window that becomes
// active is asked with WM_SYSCOMMAND SC_SCREENSAVE and SC_MONITORPOWER; if it
// swallows them the saver stays away while it is active, and once a window
// that passes them on to default processing is active the saver may run.
#include "platform/tap_linux.h"
#include "platform/windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<WPARAM> commands; // WM_SYSCOMMAND codes the keeping window received

LRESULT CALLBACK KeepsScreenOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND) {
    commands.push_back(wParam);
    if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER)
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND Make(const char *className, WNDPROC procedure, const char *title, int x) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = className;
  RegisterClassExA(&windowClass);
  return CreateWindowExA(0, className, title, WS_VISIBLE | WS_POPUP, x, 0, 100, 100, nullptr, nullptr, nullptr,
                         nullptr);
}

// Gives the window the keyboard focus the way a user's click would, then
// takes messages until the layer has seen the focus change.
bool Activate(const std::string &title, bool expectInhibited) {
  const std::string command = "xdotool search --name '^" + title + "$' windowfocus --sync >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0)
    return false;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 3000;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&message);
    if (PlatformScreenSaverInhibited() == expectInhibited)
      return true;
  }
  return false;
}

} // namespace

TEST(ScreenSaver, StaysAwayOnlyWhileASwallowingWindowIsActive) {
  HWND keeping = Make("KeepsScreenOn", KeepsScreenOn, "keeps the screen on", 0);
  HWND plain = Make("PlainWindow", DefWindowProcA, "plain window", 200);
  ASSERT_NE(keeping, nullptr);
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(PlatformScreenSaverInhibited());

  ASSERT_TRUE(Activate("keeps the screen on", true));
  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(commands[0], WPARAM(SC_SCREENSAVE));
  EXPECT_EQ(commands[1], WPARAM(SC_MONITORPOWER));

  EXPECT_TRUE(Activate("plain window", false));
  EXPECT_TRUE(Activate("keeps the screen on", true));
  DestroyWindow(plain);
  DestroyWindow(keeping);
}
