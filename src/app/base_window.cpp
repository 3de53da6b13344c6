// SPDX-License-Identifier: MIT
// Window class registration, window creation, the display switch and the
// window procedure shared by the show's windows.
#include "app/base_window.h"

#include <cstring>

BaseWindow::BaseWindow()
    : handle(nullptr), mode{640, 480, 32, 60}, fullscreen(false), exStyle(0), style(0), className("BaseWindow"),
      title("") {
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

LRESULT BaseWindow::HandleMessage(HWND, UINT, WPARAM, LPARAM, bool &handled) {
  handled = false;
  return 0;
}

void BaseWindow::SetDisplayMode(bool requested) {
  if (fullscreen && !requested) {
    ChangeDisplaySettingsA(nullptr, 0); // back to the desktop's mode; nothing to do if it fails
    ShowCursor(TRUE);
  } else if (!fullscreen && requested) {
    DEVMODEA settings;
    std::memset(&settings, 0, sizeof settings);
    settings.dmSize = sizeof(DEVMODEA);
    settings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    settings.dmBitsPerPel = mode.bitsPerPixel;
    settings.dmPelsWidth = mode.width;
    settings.dmPelsHeight = mode.height;
    settings.dmDisplayFrequency = mode.refreshRate;
    if (ChangeDisplaySettingsA(&settings, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
      // The answer is not consulted: the show goes on in a window either way.
      MessageBoxA(nullptr, "ChangeDisplaySettings failed!!! :_(", "ERROR Changing Display Settings",
                  MB_YESNO | MB_ICONWARNING);
      return; // display, flag and styles stay as they were
    }
    ShowCursor(FALSE);
  }
  fullscreen = requested;
  // Style bits are only ever added.
  if (requested) {
    exStyle |= WS_EX_APPWINDOW;
    style |= WS_POPUP;
  } else {
    exStyle |= WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    style |= WS_OVERLAPPEDWINDOW;
  }
}

void BaseWindow::Create(int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance) {
  windowClass.lpszClassName = className;
  windowClass.hInstance = instance;
  RegisterClassExA(&windowClass); // a class registered before stays usable

  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  handle = CreateWindowExA(exStyle, className, title, style, x, y, outer.right - outer.left, outer.bottom - outer.top,
                           parent, menu, instance, this);
  if (handle != nullptr) {
    mode.width = uint32_t(width);
    mode.height = uint32_t(height);
  }
}

LRESULT CALLBACK BaseWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
    SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  bool handled = false;
  LRESULT result = 0;
  // Messages sent before WM_NCCREATE find no object and get default processing.
  auto *object = reinterpret_cast<BaseWindow *>(GetWindowLongA(window, GWL_USERDATA));
  if (object != nullptr)
    result = object->HandleMessage(window, message, wParam, lParam, handled);
  return handled ? result : DefWindowProcA(window, message, wParam, lParam);
}
