// SPDX-License-Identifier: MIT
// A system window wrapped in an object: its display mode and styles, its
// class, and one static window procedure that hands every message of the
// window to the object's handlers.
#pragma once
#include "platform/windows.h"
#include "setup/demo_settings.h"

class BaseWindow {
public:
  BaseWindow();

  // Handlers, in this order.
  virtual void OnPaint(HWND window) = 0;
  virtual void OnTimer(UINT timerId) = 0; // not routed by any window of the show
  virtual void OnDestroy(HWND window) = 0;
  virtual void OnSysCommand(WPARAM command, bool &handled) = 0;
  // Answers one message. `handled` is cleared on entry; a handler that leaves
  // it set makes the result the answer, otherwise default processing answers.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool &handled);

  // Switches the display into `mode` (true) or back to the desktop mode
  // (false) and picks the styles for a later Create. Call it before Create.
  void SetDisplayMode(bool fullscreen);
  // Registers the class and creates the window with a client area of
  // width x height; `handle` is NULL when that fails.
  void Create(int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

  // The procedure of every window of this class: WM_NCCREATE stores the
  // object's address in GWL_USERDATA; from then on messages go to it.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle;             // the system window; NULL until Create
  VideoMode mode;          // display mode for fullscreen, and the window's size
  bool fullscreen;         // the display is switched to `mode` by this object
  WNDCLASSEXA windowClass; // the class record Create registers
  DWORD exStyle;           // extended style for Create
  DWORD style;             // style for Create
  const char *className;
  const char *title;
};
