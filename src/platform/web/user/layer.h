// SPDX-License-Identifier: MIT
// What the browser back end's parts share: the page's calls (web_page.js),
// the show's window on the canvas, and the hand-offs between windows, WGL
// and the dialogs.
#pragma once
#ifndef __EMSCRIPTEN__
#error "This header is the browser back end's"
#endif
#include "common/window_object.h"

#include <string>

extern "C" {
void zarvox_page_show_canvas(int width, int height, const char *title);
void zarvox_page_hide_canvas(void);
void zarvox_page_screen_size(int *width, int *height);
int zarvox_page_next_key(int *down, char *code, int size, int *repeat);
int zarvox_page_wait_frame(void);
int zarvox_page_sleep(int milliseconds);
int zarvox_page_fullscreen(int on);
int zarvox_page_message_box(const char *text, const char *caption, unsigned type);
void zarvox_page_exit(int status);
}

// A window's drawable: the HDC handed out by GetDC.
struct HDC__ {
  HWND window;
};

namespace platform {

// The show's window: the page's one canvas, behind a Win32 handle. Only one
// is shown at a time; a second CreateWindowExA takes the canvas over.
class CanvasWindow : public HWND__ {
public:
  CanvasWindow(WNDPROC procedure, DWORD style, const char *title, int width, int height);
  ~CanvasWindow() override;
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultProcess(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL GetRect(RECT *rect) override;
  BOOL SetPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  BOOL Destroy() override;

  WNDPROC procedure;
  DWORD style;
  std::string title;
  int width, height; // client size: the canvas's drawing buffer
  bool visible = false;
  HDC__ dc;
  int pixelFormat = 0;
};

CanvasWindow *AsCanvasWindow(HWND window); // NULL for other kinds or dead handles
CanvasWindow *CanvasFromDc(HDC dc);

// ---- WGL (wgl.cpp) -----------------------------------------------------------
void ReleaseGlFrom(CanvasWindow *window); // its context made current no more
// A window, pixel format or context that cannot be had: "zarvox: WHAT" on
// the console, kept for PlatformLastDrawFailure.
void ReportDrawFailure(const std::string &what);
void CountDisplayChange();

// ---- the user's gesture (dialog.cpp) -------------------------------------------
// Runs once the viewer pressed Start: what only a gesture may do (sound).
void AfterGesture();

} // namespace platform
