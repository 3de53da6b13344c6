// SPDX-License-Identifier: MIT
// Proves that signals end the program in order: a first stop signal (any
// whose default ends the process, crashes aside) becomes a close of the
// program's window, a second one (or one with no window) ends the process by
// that signal, one the program was started with ignored stays ignored, and a
// crash during a display switch still dies by its signal after the layer has
// restored the display.
#include "platform/tap.h"
#include "platform/windows.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

namespace {

HWND MakeWindow(DWORD style) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "SignalTestWindow";
  RegisterClassExA(&windowClass); // later registrations of the name are refused and harmless
  return CreateWindowExA(0, "SignalTestWindow", "signals", WS_VISIBLE | style, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                         nullptr);
}

class Signals : public ::testing::Test {
protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

} // namespace

TEST_F(Signals, FirstStopSignalClosesTheFirstWindow) {
  HWND window = MakeWindow(WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  raise(SIGTERM);
  MSG message;
  bool closeSeen = false;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && !closeSeen) {
    if (message.message == WM_PAINT) {
      DefWindowProcA(message.hwnd, WM_PAINT, 0, 0);
      continue;
    }
    closeSeen = message.hwnd == window && message.message == WM_SYSCOMMAND && message.wParam == SC_CLOSE;
    DispatchMessageA(&message);
  }
  EXPECT_TRUE(closeSeen);
  EXPECT_FALSE(IsWindow(window)); // default processing carried the close out
}

// Each in a process of its own: only the first stop signal becomes a close.
TEST_F(Signals, EveryStopSignalClosesTheWindowAndIsReported) {
  for (int signal : {SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,
                     SIGPWR, SIGSTKFLT, SIGRTMIN, SIGRTMAX}) {
    EXPECT_EXIT(
        {
          std::signal(signal, SIG_DFL); // as a program starts: the death test's child has SIGPROF ignored
          HWND window = MakeWindow(WS_OVERLAPPEDWINDOW);
          raise(signal);
          MSG message;
          while (IsWindow(window) && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
          std::exit(IsWindow(window) ? 1 : 128 + PlatformStopSignal());
        },
        ::testing::ExitedWithCode(128 + signal), "")
        << strsignal(signal);
  }
}

TEST_F(Signals, AStopSignalIgnoredAtTheStartStaysIgnored) {
  EXPECT_EXIT(
      {
        std::signal(SIGHUP, SIG_IGN); // as nohup starts it
        HWND window = MakeWindow(WS_OVERLAPPEDWINDOW);
        raise(SIGHUP);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
          DispatchMessageA(&message);
        std::exit(IsWindow(window) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Signals, SecondStopSignalEndsTheProcess) {
  EXPECT_EXIT(
      {
        MakeWindow(WS_OVERLAPPEDWINDOW);
        raise(SIGINT);
        raise(SIGINT);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

TEST_F(Signals, StopSignalWithoutAWindowEndsTheProcess) {
  EXPECT_EXIT(
      {
        DestroyWindow(MakeWindow(WS_OVERLAPPEDWINDOW)); // the layer is up, no window is left
        raise(SIGTERM);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

TEST_F(Signals, CrashDuringADisplaySwitchStillDiesByItsSignal) {
  EXPECT_EXIT(
      {
        DEVMODEA mode{};
        EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
        mode.dmDisplayFrequency = 0;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
          std::exit(3);
        MakeWindow(WS_POPUP);
        raise(SIGABRT);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGABRT), "");
}
