// SPDX-License-Identifier: MIT
// Proves the main window's behaviour: the window procedure routes only from
// WM_NCCREATE on, Escape released quits, screen-saver and power-down requests
// are swallowed while a close is carried out, the display switch picks the
// styles of the three table rows and switches once, and a windowed window
// has exactly the asked client area. Runs on SDL's dummy video driver.
#include "app/main_window.h"

#include "platform/tap_linux.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A main window that notes every message its object is offered.
class RecordingWindow : public MainWindow {
public:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool &handled) override {
    offered.push_back(message);
    return MainWindow::HandleMessage(window, message, wParam, lParam, handled);
  }
  std::vector<UINT> offered;
};

struct Box {
  std::string text, caption;
  UINT type;
};
std::vector<Box> boxes; // message boxes the windows asked for

DEVMODEA Mode(DWORD width, DWORD height, DWORD bits, DWORD rate) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  mode.dmPelsWidth = width, mode.dmPelsHeight = height, mode.dmBitsPerPel = bits, mode.dmDisplayFrequency = rate;
  return mode;
}

// Takes every queued message; true if WM_QUIT with `code` was among them.
bool QuitPosted(int code = 0) {
  bool quit = false;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT && message.wParam == WPARAM(code))
      quit = true;
    else if (message.message == WM_PAINT)
      DefWindowProcA(message.hwnd, WM_PAINT, 0, 0);
  }
  return quit;
}

int CursorCount() {
  ShowCursor(TRUE);
  return ShowCursor(FALSE);
}

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    boxes.clear();
    PlatformSetMessageBoxHook(
        [](void *, HWND, const char *text, const char *caption, UINT type) {
          boxes.push_back({text, caption, type});
          return IDYES;
        },
        nullptr);
    QuitPosted();
  }
  void TearDown() override {
    ChangeDisplaySettingsA(nullptr, 0);
    PlatformSetDisplayModes(nullptr, 0);
    PlatformSetMessageBoxHook(nullptr, nullptr);
    QuitPosted();
  }
  void OfferModes(bool with640x480at60) {
    const DEVMODEA with[] = {Mode(1280, 1024, 32, 60), Mode(1280, 1024, 32, 60), Mode(640, 480, 32, 60)};
    const DEVMODEA without[] = {Mode(1280, 1024, 32, 60), Mode(1280, 1024, 32, 60), Mode(640, 480, 32, 75)};
    PlatformSetDisplayModes(with640x480at60 ? with : without, 3);
  }
  static LPARAM KeyUpFlags() { return LPARAM(0xC0010001); }
};

} // namespace

TEST_F(MainWindowTest, MessagesBeforeNcCreateGetDefaultProcessing) {
  RecordingWindow window;
  window.SetDisplayMode(false);
  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr);
  ASSERT_NE(window.handle, nullptr);
  ASSERT_FALSE(window.offered.empty());
  EXPECT_EQ(window.offered.front(), UINT(WM_NCCREATE)); // WM_GETMINMAXINFO came first and found no object
  EXPECT_EQ(GetWindowLongA(window.handle, GWL_USERDATA),
            reinterpret_cast<LONG_PTR>(static_cast<BaseWindow *>(&window)));

  // A window whose user-data slot is empty: Escape goes to default processing.
  WNDCLASSEXA plain{};
  plain.cbSize = sizeof plain;
  plain.lpfnWndProc = DefWindowProcA;
  plain.lpszClassName = "PlainWindow";
  RegisterClassExA(&plain);
  HWND bare = CreateWindowExA(0, "PlainWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(BaseWindow::WindowProc(bare, WM_KEYUP, VK_ESCAPE, KeyUpFlags()), 0);
  EXPECT_FALSE(QuitPosted());
  DestroyWindow(bare);
  DestroyWindow(window.handle);
  QuitPosted();
}

TEST_F(MainWindowTest, EscapeReleasedQuitsAndOtherKeysDoNothing) {
  MainWindow window;
  window.SetDisplayMode(false);
  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr);
  ASSERT_NE(window.handle, nullptr);

  EXPECT_EQ(SendMessageA(window.handle, WM_KEYDOWN, VK_ESCAPE, 0x00010001), 0);
  EXPECT_FALSE(QuitPosted());
  EXPECT_EQ(SendMessageA(window.handle, WM_KEYUP, VK_SPACE, KeyUpFlags()), 0);
  EXPECT_EQ(SendMessageA(window.handle, WM_KEYUP, 'Q', KeyUpFlags()), 0);
  EXPECT_FALSE(QuitPosted());
  bool handled = false;
  window.HandleMessage(window.handle, WM_KEYUP, 'Q', KeyUpFlags(), handled);
  EXPECT_TRUE(handled); // any key-up counts as handled

  EXPECT_EQ(SendMessageA(window.handle, WM_KEYUP, VK_ESCAPE, KeyUpFlags()), 0);
  EXPECT_TRUE(QuitPosted(0));
  EXPECT_TRUE(IsWindow(window.handle));
  DestroyWindow(window.handle);
  QuitPosted();
}

TEST_F(MainWindowTest, ScreenSaverAndPowerDownAreSwallowedWhateverTheLowBits) {
  MainWindow window;
  for (WPARAM low = 0; low < 16; ++low) {
    for (WPARAM command : {WPARAM(SC_SCREENSAVE), WPARAM(SC_MONITORPOWER)}) {
      bool handled = false;
      EXPECT_EQ(window.HandleMessage(nullptr, WM_SYSCOMMAND, command | low, 2, handled), 0);
      EXPECT_TRUE(handled) << std::hex << (command | low);
    }
  }
  for (WPARAM command : {WPARAM(SC_CLOSE), WPARAM(SC_MINIMIZE), WPARAM(SC_KEYMENU), WPARAM(SC_CLOSE | 3)}) {
    bool handled = false;
    window.HandleMessage(nullptr, WM_SYSCOMMAND, command, 0, handled);
    EXPECT_FALSE(handled) << std::hex << command;
  }
}

TEST_F(MainWindowTest, CloseCommandDestroysTheWindowAndQuits) {
  MainWindow window;
  window.SetDisplayMode(false);
  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr);
  ASSERT_NE(window.handle, nullptr);
  EXPECT_EQ(SendMessageA(window.handle, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_TRUE(IsWindow(window.handle));
  PostMessageA(window.handle, WM_SYSCOMMAND, SC_CLOSE, 0); // as the close button does
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  DispatchMessageA(&message);
  EXPECT_FALSE(IsWindow(window.handle));
  EXPECT_TRUE(QuitPosted(0));
}

TEST_F(MainWindowTest, SuccessfulSwitchGivesAPopupWithoutFrame) {
  OfferModes(true);
  const int cursor = CursorCount();
  MainWindow window;
  window.SetDisplayMode(true);
  EXPECT_TRUE(window.fullscreen);
  EXPECT_EQ(window.style, 0x90000000u);
  EXPECT_EQ(window.exStyle, 0x40000u);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(CursorCount(), cursor - 1);

  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr);
  RECT frame;
  ASSERT_TRUE(GetWindowRect(window.handle, &frame));
  EXPECT_EQ(frame.left, 0);
  EXPECT_EQ(frame.top, 0);
  EXPECT_EQ(frame.right, 640);
  EXPECT_EQ(frame.bottom, 480);
  window.SetDisplayMode(false);
  EXPECT_EQ(CursorCount(), cursor);
  DestroyWindow(window.handle);
}

TEST_F(MainWindowTest, WindowedRunGetsAnOverlappedWindowAndNoDisplayCall) {
  OfferModes(true);
  const uint64_t changes = PlatformGetCallCounts().displayChanges;
  MainWindow window;
  window.SetDisplayMode(false);
  EXPECT_FALSE(window.fullscreen);
  EXPECT_EQ(window.style, 0x10CF0000u);
  EXPECT_EQ(window.exStyle, 0x40100u);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changes);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, RefusedSwitchWarnsAndLeavesAPlainVisibleWindow) {
  OfferModes(false);
  const int cursor = CursorCount();
  MainWindow window;
  window.SetDisplayMode(true);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "ChangeDisplaySettings failed!!! :_(");
  EXPECT_EQ(boxes[0].caption, "ERROR Changing Display Settings");
  EXPECT_EQ(boxes[0].type, 0x34u);
  EXPECT_FALSE(window.fullscreen);
  EXPECT_EQ(window.style, 0x10000000u);
  EXPECT_EQ(window.exStyle, 0u);
  EXPECT_EQ(CursorCount(), cursor);

  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr);
  RECT client;
  ASSERT_TRUE(GetClientRect(window.handle, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  DestroyWindow(window.handle);
}

TEST_F(MainWindowTest, SwitchingTwiceChangesTheDisplayOnce) {
  OfferModes(true);
  const uint64_t changes = PlatformGetCallCounts().displayChanges;
  const int cursor = CursorCount();
  MainWindow window;
  window.SetDisplayMode(true);
  window.SetDisplayMode(true);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changes + 1);
  EXPECT_EQ(CursorCount(), cursor - 1);
  EXPECT_EQ(window.style, 0x90000000u);

  window.SetDisplayMode(false);
  window.SetDisplayMode(false);
  EXPECT_EQ(PlatformGetCallCounts().displayChanges, changes + 2);
  EXPECT_EQ(CursorCount(), cursor);
  DEVMODEA current{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
  EXPECT_EQ(current.dmPelsWidth, 1280u);
}

TEST_F(MainWindowTest, WindowedClientAreaIsExactly640By480) {
  MainWindow window;
  window.mode = {800, 600, 32, 60};
  window.SetDisplayMode(false);
  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr);
  ASSERT_NE(window.handle, nullptr);
  RECT client;
  ASSERT_TRUE(GetClientRect(window.handle, &client));
  EXPECT_EQ(client.right - client.left, 640);
  EXPECT_EQ(client.bottom - client.top, 480);
  EXPECT_EQ(window.mode.width, 640u); // Create takes the size into the mode
  EXPECT_EQ(window.mode.height, 480u);
  RECT frame;
  ASSERT_TRUE(GetWindowRect(window.handle, &frame));
  EXPECT_GT(frame.bottom - frame.top, 480); // the frame lies outside the client area
  DestroyWindow(window.handle);
}
