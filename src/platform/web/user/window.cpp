// SPDX-License-Identifier: MIT
// USER and GDI in the browser: the show's window is the page's canvas, its
// messages come from the page's key events, and the display is the screen
// the page is on (its one mode, or full screen on the canvas).
#include "user/layer.h"

#include "sound/web_sound.h"

#include "common/hooks.h"
#include "common/key_map.h"
#include "common/message_queue.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/tap.h"
#include "platform/user.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

std::map<std::string, WNDCLASSEXA> classes;
int cursorCounter = 0;
platform::CanvasWindow *shown = nullptr; // the window on the canvas
bool fullScreen = false;                 // ChangeDisplaySettingsA took the screen

// KeyboardEvent.code to the USB HID usage the key map reads.
int UsageOf(const char *code) {
  static const std::map<std::string, int> kNamed = {
      {"Enter", 40},        {"Escape", 41},     {"Backspace", 42},   {"Tab", 43},           {"Space", 44},
      {"Minus", 45},        {"Equal", 46},      {"BracketLeft", 47}, {"BracketRight", 48},  {"Backslash", 49},
      {"Semicolon", 51},    {"Quote", 52},      {"Backquote", 53},   {"Comma", 54},         {"Period", 55},
      {"Slash", 56},        {"CapsLock", 57},   {"PrintScreen", 70}, {"ScrollLock", 71},    {"Pause", 72},
      {"Insert", 73},       {"Home", 74},       {"PageUp", 75},      {"Delete", 76},        {"End", 77},
      {"PageDown", 78},     {"ArrowRight", 79}, {"ArrowLeft", 80},   {"ArrowDown", 81},     {"ArrowUp", 82},
      {"ControlLeft", 224}, {"ShiftLeft", 225}, {"AltLeft", 226},    {"ControlRight", 228}, {"ShiftRight", 229},
      {"AltRight", 230},
  };
  const auto named = kNamed.find(code);
  if (named != kNamed.end())
    return named->second;
  if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0')
    return 4 + (code[3] - 'A');
  if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && code[6] == '\0')
    return code[5] == '0' ? 39 : 30 + (code[5] - '1');
  if (code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
    const int n = std::atoi(code + 1);
    if (n >= 1 && n <= 12)
      return 58 + n - 1;
  }
  return 0;
}

// The layout's key code for letters and digits (what names them for Win32).
int CharacterOf(const char *code) {
  if (std::strncmp(code, "Key", 3) == 0 && code[4] == '\0')
    return code[3] - 'A' + 'a';
  if (std::strncmp(code, "Digit", 5) == 0 && code[6] == '\0')
    return code[5];
  return 0;
}

bool altHeld = false, ctrlHeld = false;

void TakeKeys() {
  int down = 0, repeat = 0;
  char code[32];
  while (zarvox_page_next_key(&down, code, sizeof code, &repeat)) {
    const int usage = UsageOf(code);
    if (usage == 226 || usage == 230)
      altHeld = down != 0;
    if (usage == 224 || usage == 228)
      ctrlHeld = down != 0;
    platform::KeyInput input = {usage, CharacterOf(code), down != 0, repeat != 0, altHeld, ctrlHeld};
    platform::KeyMessage key;
    if (shown == nullptr || usage == 0 || !platform::TranslateKey(input, &key))
      continue;
    platform::PostToQueue(shown, key.message, key.vk, key.lParam);
  }
}

} // namespace

namespace platform {

CanvasWindow::CanvasWindow(WNDPROC procedure, DWORD style, const char *title, int width, int height)
    : procedure(procedure), style(style), title(title != nullptr ? title : ""), width(width), height(height) {
  dc.window = this;
}

CanvasWindow::~CanvasWindow() {
  if (shown == this)
    shown = nullptr;
}

LRESULT CanvasWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return destroyed || procedure == nullptr ? 0 : procedure(this, message, wParam, lParam);
}

LRESULT CanvasWindow::DefaultProcess(UINT message, WPARAM, LPARAM) {
  switch (message) {
  case WM_CLOSE:
    DestroyWindow(this);
    return 0;
  case WM_NCCREATE:
    return TRUE;
  default:
    return 0;
  }
}

BOOL CanvasWindow::GetRect(RECT *rect) {
  *rect = RECT{0, 0, width, height};
  return TRUE;
}

BOOL CanvasWindow::SetPos(HWND, int, int, int cx, int cy, UINT flags) {
  if (!(flags & SWP_NOSIZE) && cx > 0 && cy > 0) {
    width = cx;
    height = cy;
    if (visible)
      zarvox_page_show_canvas(width, height, title.c_str());
  }
  return TRUE;
}

BOOL CanvasWindow::Destroy() {
  Send(WM_DESTROY, 0, 0);
  ReleaseGlFrom(this);
  if (shown == this) {
    zarvox_page_hide_canvas();
    shown = nullptr;
  }
  Send(WM_NCDESTROY, 0, 0);
  destroyed = true;
  return TRUE;
}

CanvasWindow *AsCanvasWindow(HWND window) {
  if (!IsLiveWindow(window) || window->destroyed)
    return nullptr;
  return dynamic_cast<CanvasWindow *>(window);
}

CanvasWindow *CanvasFromDc(HDC dc) {
  return dc != nullptr ? AsCanvasWindow(dc->window) : nullptr;
}

} // namespace platform

using platform::CanvasWindow;

ATOM RegisterClassExA(const WNDCLASSEXA *windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr)
    return 0;
  if (classes.count(windowClass->lpszClassName))
    return 0; // already registered: the first stays, as on Windows
  classes[windowClass->lpszClassName] = *windowClass;
  return ATOM(classes.size());
}

BOOL AdjustWindowRectEx(RECT *rect, DWORD, BOOL, DWORD) {
  return rect != nullptr; // the canvas has no frame: outer and client are one
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  const auto found = className != nullptr ? classes.find(className) : classes.end();
  if (found == classes.end() || width <= 0 || height <= 0) {
    platform::ReportDrawFailure(std::string("cannot make the window \"") + (title ? title : "") +
                                "\": no such class, or no size");
    return nullptr;
  }
  auto *window = new CanvasWindow(found->second.lpfnWndProc, style, title, width, height);
  CREATESTRUCTA create = {};
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = menu;
  create.hwndParent = parent;
  create.cy = height;
  create.cx = width;
  create.y = y;
  create.x = x;
  create.style = LONG(style);
  create.lpszName = title;
  create.lpszClass = className;
  create.dwExStyle = exStyle;
  if (!window->Send(WM_NCCREATE, 0, LPARAM(&create)) || window->Send(WM_CREATE, 0, LPARAM(&create)) == -1) {
    window->Destroy();
    return nullptr;
  }
  if (style & WS_VISIBLE)
    ShowWindow(window, SW_SHOW);
  return window;
}

BOOL ShowWindow(HWND handle, int command) {
  CanvasWindow *window = platform::AsCanvasWindow(handle);
  if (window == nullptr)
    return FALSE;
  const bool was = window->visible;
  window->visible = command != SW_HIDE;
  if (window->visible) {
    shown = window;
    zarvox_page_show_canvas(window->width, window->height, window->title.c_str());
  } else if (shown == window) {
    zarvox_page_hide_canvas();
    shown = nullptr;
  }
  return was;
}

BOOL PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  if (message == nullptr)
    return FALSE;
  TakeKeys();
  if (platform::TakeQueued(message, window, filterMin, filterMax, remove))
    return TRUE;
  platform::RunIdleHook();
  return FALSE;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) {
  static int arrow;
  return reinterpret_cast<HCURSOR>(&arrow);
}

int ShowCursor(BOOL show) {
  cursorCounter += show ? 1 : -1;
  return cursorCounter;
}

BOOL EnumDisplaySettingsA(LPCSTR, DWORD modeNumber, DEVMODEA *mode) {
  // One mode, the screen the page is on: the show lists the sizes it knows
  // that fit within it, and draws any of them on the canvas.
  if (mode == nullptr ||
      (modeNumber != 0 && modeNumber != ENUM_CURRENT_SETTINGS && modeNumber != ENUM_REGISTRY_SETTINGS))
    return FALSE;
  int width = 0, height = 0;
  zarvox_page_screen_size(&width, &height);
  mode->dmBitsPerPel = 32;
  mode->dmPelsWidth = DWORD(width);
  mode->dmPelsHeight = DWORD(height);
  mode->dmDisplayFrequency = 60;
  mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD) {
  platform::CountDisplayChange();
  // Full screen on the canvas: the chosen size keeps its drawing buffer, the
  // browser scales it to the screen with its aspect kept.
  if (mode == nullptr) {
    if (fullScreen)
      zarvox_page_fullscreen(0);
    fullScreen = false;
    return DISP_CHANGE_SUCCESSFUL;
  }
  if (!zarvox_page_fullscreen(1))
    return DISP_CHANGE_FAILED;
  fullScreen = true;
  return DISP_CHANGE_SUCCESSFUL;
}

HGDIOBJ GetStockObject(int) {
  static int brush;
  return &brush;
}

HDC GetDC(HWND handle) {
  CanvasWindow *window = platform::AsCanvasWindow(handle);
  return window != nullptr ? &window->dc : nullptr;
}

int ReleaseDC(HWND handle, HDC dc) {
  CanvasWindow *window = platform::AsCanvasWindow(handle);
  return window != nullptr && dc == &window->dc ? 1 : 0;
}

HDC BeginPaint(HWND handle, PAINTSTRUCT *paint) {
  CanvasWindow *window = platform::AsCanvasWindow(handle);
  if (window == nullptr || paint == nullptr)
    return nullptr;
  *paint = PAINTSTRUCT{};
  paint->hdc = &window->dc;
  paint->rcPaint = RECT{0, 0, window->width, window->height};
  return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT *) {
  return TRUE;
}

BOOL GetClientRect(HWND handle, RECT *rect) {
  CanvasWindow *window = platform::AsCanvasWindow(handle);
  if (window == nullptr || rect == nullptr)
    return FALSE;
  *rect = RECT{0, 0, window->width, window->height};
  return TRUE;
}

int DrawTextA(HDC, LPCSTR, int, RECT *, UINT) {
  return 0; // the show draws its text with GL
}

namespace platform {

int ShowMessageBox(void *, const char *text, const char *caption, UINT type) {
  return zarvox_page_message_box(text != nullptr ? text : "", caption != nullptr ? caption : "Error", type);
}

} // namespace platform

namespace platform {

// The dialog's Start was the viewer's gesture: the browser lets sound start now.
void AfterGesture() {
  WebSoundGesture();
}

} // namespace platform
