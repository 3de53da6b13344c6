// SPDX-License-Identifier: MIT
// Proves WGL over SDL on a real window (Xvfb, Mesa): formats are fixed once,
// a different format gets a new native window behind the same handle,
// creating a context leaves the current one alone, the frame tap sees the
// finished back buffer before the swap, a display switch makes a popup
// window cover the screen until the restore, and swaps keep to the pacing grid.
#include "platform/gdi.h"
#include "platform/tap_linux.h"
#include "platform/windows.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

HWND MakeWindow(DWORD style, int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "WglTestWindow";
    RegisterClassExA(&windowClass);
    registered = true;
  }
  return CreateWindowExA(0, "WglTestWindow", "wgl test", WS_VISIBLE | style, 0, 0, width, height, nullptr, nullptr,
                         nullptr, nullptr);
}

PIXELFORMATDESCRIPTOR Request(BYTE color, BYTE alpha, BYTE depth, BYTE stencil) {
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = color;
  format.cAlphaBits = alpha;
  format.cDepthBits = depth;
  format.cStencilBits = stencil;
  return format;
}

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  int count = 0;
};

} // namespace

TEST(PixelFormat, IsFixedOncePerWindow) {
  HWND window = MakeWindow(WS_POPUP, 64, 64);
  HDC dc = GetDC(window);
  const PIXELFORMATDESCRIPTOR standard = Request(32, 8, 24, 8);
  const PIXELFORMATDESCRIPTOR shallow = Request(16, 0, 16, 0);
  const int first = ChoosePixelFormat(dc, &standard);
  const int second = ChoosePixelFormat(dc, &shallow);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(ChoosePixelFormat(dc, &standard), first); // the same request, the same format

  PIXELFORMATDESCRIPTOR indexed = standard;
  indexed.iPixelType = PFD_TYPE_COLORINDEX;
  EXPECT_EQ(ChoosePixelFormat(dc, &indexed), 0);
  EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);

  EXPECT_FALSE(SetPixelFormat(dc, 9999, &standard));
  EXPECT_TRUE(SetPixelFormat(dc, first, &standard));
  EXPECT_TRUE(SetPixelFormat(dc, first, &standard));
  EXPECT_FALSE(SetPixelFormat(dc, second, &shallow));
  DestroyWindow(window);
}

TEST(PixelFormat, ADifferentFormatRemakesTheNativeWindowBehindTheSameHandle) {
  HWND window = MakeWindow(WS_POPUP, 96, 48);
  HDC dc = GetDC(window);
  const PIXELFORMATDESCRIPTOR shallow = Request(16, 0, 16, 0);
  ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &shallow), &shallow));
  HGLRC context = wglCreateContext(dc);
  ASSERT_NE(context, nullptr);
  ASSERT_TRUE(wglMakeCurrent(dc, context));
  EXPECT_EQ(GetDC(window), dc);
  EXPECT_TRUE(IsWindow(window));
  RECT client;
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 96);
  EXPECT_EQ(client.bottom, 48);
  GLint red = 0;
  glGetIntegerv(GL_RED_BITS, &red);
  EXPECT_GE(red, 5);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(context);
  DestroyWindow(window);
}

TEST(RenderingContext, CreatingOneLeavesTheCurrentContextAlone) {
  HWND first = MakeWindow(WS_POPUP, 32, 32);
  HWND second = MakeWindow(WS_POPUP, 32, 32);
  const PIXELFORMATDESCRIPTOR standard = Request(32, 8, 24, 8);
  ASSERT_TRUE(SetPixelFormat(GetDC(first), ChoosePixelFormat(GetDC(first), &standard), &standard));
  ASSERT_TRUE(SetPixelFormat(GetDC(second), ChoosePixelFormat(GetDC(second), &standard), &standard));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  HGLRC a = wglCreateContext(GetDC(first));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  ASSERT_TRUE(wglMakeCurrent(GetDC(first), a));
  HGLRC b = wglCreateContext(GetDC(second));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(wglGetCurrentContext(), a);

  // Deleting the current context releases it; a dead handle is refused.
  EXPECT_TRUE(wglDeleteContext(a));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(wglMakeCurrent(GetDC(first), a));
  // A window that goes takes its drawable with it.
  ASSERT_TRUE(wglMakeCurrent(GetDC(second), b));
  HDC secondDc = GetDC(second);
  DestroyWindow(second);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(wglMakeCurrent(secondDc, b));
  EXPECT_FALSE(SwapBuffers(secondDc));
  EXPECT_TRUE(wglDeleteContext(b));
  DestroyWindow(first);
}

TEST(FrameTap, SeesTheFinishedBackBufferBeforeEachSwap) {
  HWND window = MakeWindow(WS_POPUP, 40, 30);
  HDC dc = GetDC(window);
  const PIXELFORMATDESCRIPTOR standard = Request(32, 8, 24, 8);
  ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &standard), &standard));
  HGLRC context = wglCreateContext(dc);
  const PlatformCallCounts before = PlatformGetCallCounts();
  ASSERT_TRUE(wglMakeCurrent(dc, context));

  Frame frame;
  PlatformSetFrameTap(
      [](void *user, const uint8_t *rgba, int width, int height) {
        auto *seen = static_cast<Frame *>(user);
        seen->width = width, seen->height = height, ++seen->count;
        seen->rgba.assign(rgba, rgba + size_t(width) * height * 4);
      },
      &frame);
  glPixelStorei(GL_PACK_ALIGNMENT, 8); // the frame's own pack state must not matter
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 1, 1); // the bottom-left pixel: first in the tap's rows
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  ASSERT_TRUE(SwapBuffers(dc));

  ASSERT_EQ(frame.count, 1);
  EXPECT_EQ(frame.width, 40);
  EXPECT_EQ(frame.height, 30);
  ASSERT_EQ(frame.rgba.size(), size_t(40 * 30 * 4));
  EXPECT_EQ(frame.rgba[0], 255); // bottom-left: red
  EXPECT_EQ(frame.rgba[1], 0);
  EXPECT_EQ(frame.rgba[4], 0); // its neighbour: green
  EXPECT_EQ(frame.rgba[5], 255);
  GLint alignment = 0;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 8);

  // Without the context current on the window there is nothing to read.
  wglMakeCurrent(nullptr, nullptr);
  SwapBuffers(dc);
  EXPECT_EQ(frame.count, 1);
  PlatformSetFrameTap(nullptr, nullptr);

  const PlatformCallCounts after = PlatformGetCallCounts();
  EXPECT_EQ(after.makeCurrent - before.makeCurrent, 2u);
  EXPECT_EQ(after.swapBuffers - before.swapBuffers, 2u);
  wglDeleteContext(context);
  DestroyWindow(window);
}

TEST(DisplaySwitch, APopupCoversTheScreenInTheModeUntilTheRestore) {
  DEVMODEA desktop{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop));
  EXPECT_EQ(desktop.dmBitsPerPel, 32u); // Xvfb's 24-bit depth in 32-bit pixels
  DEVMODEA listed{};
  ASSERT_TRUE(EnumDisplaySettingsA(nullptr, 0, &listed));

  DEVMODEA request = desktop;
  request.dmDisplayFrequency = 0;
  ASSERT_EQ(ChangeDisplaySettingsA(&request, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  HWND window = MakeWindow(WS_POPUP, 320, 240);
  ASSERT_NE(window, nullptr);
  RECT client;
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(DWORD(client.right), desktop.dmPelsWidth);
  EXPECT_EQ(DWORD(client.bottom), desktop.dmPelsHeight);

  EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  // The X server answers the restore asynchronously: take its events until
  // the window is back at its own size (or two seconds have passed).
  const DWORD start = GetTickCount();
  do {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    ASSERT_TRUE(GetClientRect(window, &client));
  } while (client.right != 320 && GetTickCount() - start < 2000);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 240);
  DestroyWindow(window);

  DEVMODEA missing = desktop;
  missing.dmPelsWidth += 1;
  EXPECT_EQ(ChangeDisplaySettingsA(&missing, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
}

// A clock that a wait moves forward, and the time each swap was presented at.
struct PacingClock {
  int64_t now = 1000000000;
  std::vector<int64_t> presented;
  // Renders a frame for `ns`, swaps, and notes when the swap went.
  void Frame(HDC dc, int64_t ns) {
    now += ns;
    ASSERT_TRUE(SwapBuffers(dc));
    presented.push_back(now);
  }
};

TEST(FramePacing, SwapsLandOnTheGridWithoutDriftAndLateFramesSkip) {
  HWND window = MakeWindow(WS_POPUP, 32, 32);
  HDC dc = GetDC(window);
  const PIXELFORMATDESCRIPTOR standard = Request(32, 8, 24, 8);
  ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &standard), &standard));
  HGLRC context = wglCreateContext(dc);
  ASSERT_TRUE(wglMakeCurrent(dc, context));
  EXPECT_EQ(PlatformGetFrameRate(), 60) << "the rate the show was made for";
  PacingClock clock;
  PlatformSetPacingClock([](void *user) { return static_cast<PacingClock *>(user)->now; },
                         [](void *user, int64_t until) { static_cast<PacingClock *>(user)->now = until; }, &clock);
  const auto slot = [&](int64_t k) { return clock.presented[0] + k * 1000000000 / 60; };

  // Quick frames, for two minutes of show: every swap on its slot of the grid.
  for (int i = 0; i < 7200; ++i)
    clock.Frame(dc, 3000000 + (i % 7) * 1000000);
  for (int64_t k = 0; k < 7200; ++k)
    ASSERT_EQ(clock.presented[size_t(k)], slot(k)) << "frame " << k;

  // 20 ms: late by less than half a slot, so it goes at once; the next frame
  // is back on the grid. 30 ms: late by more, so it waits for the next slot.
  clock.Frame(dc, 20000000);
  EXPECT_EQ(clock.presented.back(), slot(7199) + 20000000);
  clock.Frame(dc, 2000000);
  EXPECT_EQ(clock.presented.back(), slot(7201));
  clock.Frame(dc, 30000000);
  EXPECT_EQ(clock.presented.back(), slot(7203)) << "slot 7202 is skipped, not made up";
  clock.Frame(dc, 1000000);
  EXPECT_EQ(clock.presented.back(), slot(7204));

  // Another rate starts a grid of its own; none at all never waits.
  PlatformSetFrameRate(144);
  clock.presented.clear();
  for (int i = 0; i < 3; ++i)
    clock.Frame(dc, 1000000);
  EXPECT_EQ(clock.presented[2] - clock.presented[0], 2 * 1000000000 / 144);
  PlatformSetFrameRate(0);
  const int64_t before = clock.now;
  for (int i = 0; i < 3; ++i)
    clock.Frame(dc, 1000000);
  EXPECT_EQ(clock.now, before + 3000000);

  PlatformSetFrameRate(60);
  PlatformSetPacingClock(nullptr, nullptr, nullptr);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(context);
  DestroyWindow(window);
}
