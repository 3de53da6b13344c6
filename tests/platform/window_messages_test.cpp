// SPDX-License-Identifier: MIT
// Proves the window layer delivers Win32's messages in Win32's order: the
// creation sequence, default processing that turns a close into WM_DESTROY,
// Alt+F4, the queue's order and filters, WM_QUIT after posted messages,
// WM_PAINT until validated, and a client area of exactly the asked size.
// Runs on SDL's dummy video driver: no screen needed.
#include "platform/gdi.h"
#include "platform/user.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Seen {
  UINT message;
  WPARAM wParam;
};
std::vector<Seen> seen;        // every message the test procedure received
LRESULT ncCreateAnswer = TRUE; // what the procedure answers to WM_NCCREATE
LPVOID createParam = nullptr;  // the CREATESTRUCTA parameter seen in WM_NCCREATE

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back({message, wParam});
  if (message == WM_NCCREATE) {
    createParam = reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams;
    return ncCreateAnswer;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool Saw(UINT message) {
  for (const Seen &s : seen)
    if (s.message == message)
      return true;
  return false;
}

// Empties the queue, WM_QUIT included, dispatching what it takes.
void Drain() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message != WM_PAINT)
      DispatchMessageA(&message);
    else
      DefWindowProcA(message.hwnd, WM_PAINT, 0, 0);
}

class WindowMessages : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = "RecordingWindow";
    RegisterClassExA(&windowClass);
  }
  void SetUp() override {
    seen.clear();
    ncCreateAnswer = TRUE;
    Drain();
    seen.clear();
  }
  HWND Make(DWORD style, int width = 200, int height = 100, DWORD exStyle = 0) {
    return CreateWindowExA(exStyle, "recordingwindow", "test", style, CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                           nullptr, nullptr, nullptr, &marker);
  }
  int marker = 0;
};

} // namespace

TEST_F(WindowMessages, CreationSendsTheWin32SequenceWithTheParameter) {
  HWND window = Make(WS_VISIBLE | WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  ASSERT_GE(seen.size(), 5u);
  EXPECT_EQ(seen[0].message, UINT(WM_GETMINMAXINFO)); // before WM_NCCREATE, as on Win32
  EXPECT_EQ(seen[1].message, UINT(WM_NCCREATE));
  EXPECT_EQ(seen[2].message, UINT(WM_NCCALCSIZE));
  EXPECT_EQ(seen[3].message, UINT(WM_CREATE));
  EXPECT_EQ(seen[4].message, UINT(WM_SHOWWINDOW));
  EXPECT_EQ(createParam, &marker);
  DestroyWindow(window);
}

TEST_F(WindowMessages, RefusedNcCreateGivesNoWindow) {
  ncCreateAnswer = FALSE;
  EXPECT_EQ(Make(WS_VISIBLE), nullptr);
  EXPECT_FALSE(Saw(WM_CREATE));
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowMessages, SysCommandCloseDestroysTheWindowThroughDefaultProcessing) {
  HWND window = Make(WS_VISIBLE | WS_OVERLAPPEDWINDOW);
  seen.clear();
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].message, UINT(WM_SYSCOMMAND));
  EXPECT_EQ(seen[1].message, UINT(WM_CLOSE));
  EXPECT_EQ(seen[2].message, UINT(WM_DESTROY));
  EXPECT_EQ(seen[3].message, UINT(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(window));
  // A dead handle is refused everywhere instead of crashing.
  EXPECT_EQ(GetDC(window), nullptr);
  EXPECT_FALSE(DestroyWindow(window));
  MSG stale = {window, WM_KEYUP, VK_ESCAPE, 0, 0, {0, 0}};
  EXPECT_EQ(DispatchMessageA(&stale), 0);
  RECT rect;
  EXPECT_FALSE(GetClientRect(window, &rect));
}

TEST_F(WindowMessages, AltF4PostsAClose) {
  HWND window = Make(WS_VISIBLE | WS_OVERLAPPEDWINDOW);
  DefWindowProcA(window, WM_SYSKEYDOWN, VK_F4, LPARAM(0x203E0001)); // Alt held
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  EXPECT_EQ(message.wParam, WPARAM(SC_CLOSE));
  DefWindowProcA(window, WM_SYSKEYDOWN, VK_F4, LPARAM(0x003E0001)); // F4 alone
  EXPECT_FALSE(PeekMessageA(&message, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  DestroyWindow(window);
}

TEST_F(WindowMessages, QueueKeepsOrderAndHonoursFilters) {
  HWND window = Make(WS_VISIBLE);
  Drain();
  PostMessageA(window, WM_KEYDOWN, 'A', 0);
  PostMessageA(window, WM_KEYUP, 'A', 0);
  PostMessageA(nullptr, WM_NULL, 7, 0);

  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_KEYUP, WM_KEYUP, PM_NOREMOVE));
  EXPECT_EQ(message.message, UINT(WM_KEYUP));
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT(WM_KEYDOWN));
  EXPECT_EQ(message.hwnd, window);
  ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT(WM_KEYUP));
  EXPECT_FALSE(PeekMessageA(&message, window, 0, 0, PM_REMOVE)); // the thread message is not the window's
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.wParam, WPARAM(7));
  EXPECT_EQ(DispatchMessageA(&message), 0);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(window);
}

TEST_F(WindowMessages, QuitComesAfterPostedMessagesAndOnlyOnce) {
  PostQuitMessage(3);
  PostMessageA(nullptr, WM_NULL, 1, 0);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT(WM_NULL));
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT(WM_QUIT));
  EXPECT_EQ(message.wParam, WPARAM(3));
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowMessages, PaintStaysDueUntilValidated) {
  HWND window = Make(WS_VISIBLE);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT(WM_PAINT));
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT(WM_PAINT)); // PM_REMOVE does not validate
  PAINTSTRUCT paint;
  EXPECT_EQ(BeginPaint(window, &paint), GetDC(window));
  EXPECT_EQ(paint.rcPaint.right, 200);
  EndPaint(window, &paint);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(window);
}

TEST_F(WindowMessages, ClientAreaIsExactlyTheAdjustedRequest) {
  for (DWORD style : {DWORD(WS_OVERLAPPEDWINDOW), DWORD(WS_POPUP), DWORD(0)}) {
    RECT outer = {0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRectEx(&outer, style, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
    if (style == WS_POPUP) {
      EXPECT_EQ(outer.right - outer.left, 640);
    } else if (style == WS_OVERLAPPEDWINDOW) {
      EXPECT_GT(outer.bottom - outer.top, 480 + 8); // frame and caption
    }
    HWND window = Make(WS_VISIBLE | style, outer.right - outer.left, outer.bottom - outer.top,
                       WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    ASSERT_NE(window, nullptr);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 640) << "style " << std::hex << style;
    EXPECT_EQ(client.bottom, 480) << "style " << std::hex << style;
    RECT frame;
    ASSERT_TRUE(GetWindowRect(window, &frame));
    EXPECT_EQ(frame.right - frame.left, outer.right - outer.left);
    EXPECT_EQ(frame.bottom - frame.top, outer.bottom - outer.top);
    DestroyWindow(window);
  }
}

TEST(Cursor, DisplayCounterFollowsWin32) {
  const int start = ShowCursor(TRUE) - 1;
  EXPECT_EQ(ShowCursor(FALSE), start);
  EXPECT_EQ(ShowCursor(FALSE), start - 1);
  EXPECT_EQ(ShowCursor(TRUE), start);
}
