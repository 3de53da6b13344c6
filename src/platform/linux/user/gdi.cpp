// SPDX-License-Identifier: MIT
// Stock objects, the cursor, and the painting calls of a WM_PAINT handler.
#include "user/layer.h"

#include "platform/gdi.h"
#include "platform/user.h"

#include <cstring>

struct HICON__ {
  int id; // the system cursor's resource number
};

namespace platform {
namespace {

int cursorCount = 0; // ShowCursor's display counter; hidden below 0

HICON__ arrowCursor = {32512};

// The height DrawTextA reports for its one line of text, in pixels.
constexpr int kLineHeight = 16;

} // namespace

void ApplyCursor() {
  if (SDL_WasInit(SDL_INIT_VIDEO))
    SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

} // namespace platform

using platform::TopWindow;

HGDIOBJ GetStockObject(int object) {
  static int stockObjects[NULL_BRUSH + 1]; // tokens; only their addresses matter
  if (object < WHITE_BRUSH || object > NULL_BRUSH)
    return nullptr;
  return &stockObjects[object];
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr && name == IDC_ARROW)
    return &platform::arrowCursor;
  return nullptr;
}

int ShowCursor(BOOL show) {
  platform::cursorCount += show ? 1 : -1;
  platform::ApplyCursor();
  return platform::cursorCount;
}

HDC GetDC(HWND window) {
  TopWindow *top = platform::AsTopWindow(window);
  return top != nullptr && !top->destroyed ? &top->dc : nullptr;
}

int ReleaseDC(HWND window, HDC dc) {
  TopWindow *top = platform::AsTopWindow(window);
  return top != nullptr && dc == &top->dc ? 1 : 0;
}

BOOL GetClientRect(HWND window, RECT *rect) {
  TopWindow *top = platform::AsTopWindow(window);
  if (top == nullptr || top->destroyed || rect == nullptr)
    return FALSE;
  int width = 0, height = 0;
  top->ClientSize(&width, &height);
  *rect = {0, 0, width, height};
  return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT *paint) {
  TopWindow *top = platform::AsTopWindow(window);
  if (top == nullptr || top->destroyed || paint == nullptr)
    return nullptr;
  std::memset(paint, 0, sizeof *paint);
  paint->hdc = &top->dc;
  GetClientRect(window, &paint->rcPaint);
  top->needsPaint = false;
  return paint->hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT *paint) {
  return platform::AsTopWindow(window) != nullptr && paint != nullptr ? TRUE : FALSE;
}

int DrawTextA(HDC dc, LPCSTR text, int, RECT *rect, UINT) {
  if (platform::TopWindowFromDc(dc) == nullptr || text == nullptr || rect == nullptr)
    return 0;
  return platform::kLineHeight; // one line of text; nothing is drawn
}
