// The calls that apply to every kind of window, dispatched through
// WindowObject, and the message box.
#include "user/window_object.h"

#include "platform/tap.h"
#include "platform/user.h"

#include <SDL.h>

#include <unordered_set>

namespace {
std::unordered_set<HWND> &LiveWindows() {
  static std::unordered_set<HWND> live;
  return live;
}

PlatformMessageBoxHook messageBoxHook = nullptr;
void *messageBoxHookUser = nullptr;
} // namespace

HWND__::HWND__() { LiveWindows().insert(this); }
HWND__::~HWND__() { LiveWindows().erase(this); }

int HWND__::ShowMessageBox(const char *text, const char *caption, UINT type) {
  return platform::ShowSdlMessageBox(this, text, caption, type);
}

namespace platform {

bool IsLiveWindow(HWND window) { return window != nullptr && LiveWindows().count(window) != 0; }

int ShowSdlMessageBox(HWND, const char *text, const char *caption, UINT type) {
  SDL_MessageBoxButtonData buttons[2];
  int count = 0;
  int answerOnClose = IDCANCEL;
  if ((type & MB_TYPEMASK) == MB_YESNO) {
    // SDL lays buttons out in array order; Win32 shows Yes before No.
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
    buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
    count = 2;
    answerOnClose = IDNO;
  } else {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
    count = 1;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  switch (type & MB_ICONMASK) {
  case MB_ICONERROR: flags = SDL_MESSAGEBOX_ERROR; break;
  case MB_ICONWARNING: flags = SDL_MESSAGEBOX_WARNING; break;
  default: break;
  }
  const SDL_MessageBoxData data = {flags, nullptr, caption ? caption : "", text ? text : "", count, buttons, nullptr};
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0)
    return 0; // no display to show it on: Win32 answers 0 when the box cannot be made
  return pressed < 0 ? answerOnClose : pressed;
}

} // namespace platform

void PlatformSetMessageBoxHook(PlatformMessageBoxHook hook, void *user) {
  messageBoxHook = hook;
  messageBoxHookUser = user;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (messageBoxHook != nullptr)
    return messageBoxHook(messageBoxHookUser, owner, text, caption, type);
  if (platform::IsLiveWindow(owner))
    return owner->ShowMessageBox(text, caption, type);
  return platform::ShowSdlMessageBox(nullptr, text, caption, type);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::IsLiveWindow(window) ? window->Send(message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::IsLiveWindow(window) ? window->DefaultProcess(message, wParam, lParam) : 0;
}

BOOL GetWindowRect(HWND window, RECT *rect) {
  return platform::IsLiveWindow(window) && rect != nullptr ? window->GetRect(rect) : FALSE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return platform::IsLiveWindow(window) ? window->SetPos(insertAfter, x, y, cx, cy, flags) : FALSE;
}

BOOL DestroyWindow(HWND window) {
  return platform::IsLiveWindow(window) && !window->destroyed ? window->Destroy() : FALSE;
}

BOOL IsWindow(HWND window) { return platform::IsLiveWindow(window) && !window->destroyed; }

LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value) {
  if (!platform::IsLiveWindow(window) || index != GWL_USERDATA)
    return 0;
  const LONG_PTR previous = window->userData;
  window->userData = value;
  return previous;
}

LONG_PTR GetWindowLongA(HWND window, int index) {
  if (!platform::IsLiveWindow(window) || index != GWL_USERDATA)
    return 0;
  return window->userData;
}
