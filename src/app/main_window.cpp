// SPDX-License-Identifier: MIT
// The show's window and its message handlers.
#include "app/main_window.h"

MainWindow::MainWindow() {
  windowClass.style |= CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  className = "MainWindow";
  title = "demo Window";
  style = WS_VISIBLE;
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool &handled) {
  const bool incoming = handled;
  handled = true;
  switch (message) {
  case WM_DESTROY:
    OnDestroy(window);
    break;
  case WM_KEYUP:
    OnKeyUp(window, UINT(wParam), FALSE, int(SHORT(LOWORD(lParam))), UINT(HIWORD(lParam)));
    break;
  case WM_SYSCOMMAND:
    OnSysCommand(wParam, handled);
    break;
  default:
    handled = incoming;
    break;
  }
  return 0;
}

void MainWindow::OnPaint(HWND window) {
  HDC dc = GetDC(window);
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  DrawTextA(dc, "Krel, first Demo in Vad OVODE!!!", 32, &client, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  EndPaint(window, &paint);
  ReleaseDC(window, dc);
}

void MainWindow::OnTimer(UINT) {}

void MainWindow::OnDestroy(HWND) {
  PostQuitMessage(0);
}

void MainWindow::OnKeyUp(HWND, UINT virtualKey, BOOL, int, UINT) {
  if (virtualKey == VK_ESCAPE)
    PostQuitMessage(0);
}

void MainWindow::OnSysCommand(WPARAM command, bool &handled) {
  // The low four bits are the system's own.
  const WPARAM kind = command & ~WPARAM(0xF);
  if (kind == SC_SCREENSAVE || kind == SC_MONITORPOWER)
    return; // swallowed: no screen saver and no power-down during the show
  handled = false;
}
