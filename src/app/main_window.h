// SPDX-License-Identifier: MIT
// The show's one window: ends the program when it is destroyed or Escape is
// released, and keeps the screen saver away while it is active.
#pragma once
#include "app/base_window.h"

class MainWindow : public BaseWindow {
public:
  MainWindow();

  void OnPaint(HWND window) override; // draws the greeting; no message leads here
  void OnTimer(UINT timerId) override;
  void OnDestroy(HWND window) override;
  void OnSysCommand(WPARAM command, bool &handled) override;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool &handled) override;

  // WM_KEYUP, with the parameters of the platform's key-up message cracker.
  void OnKeyUp(HWND window, UINT virtualKey, BOOL down, int repeat, UINT flags);
};
