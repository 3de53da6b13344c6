// SPDX-License-Identifier: MIT
// The calls that apply to every kind of window, dispatched through
// WindowObject, and the message box.
#include "common/window_object.h"

#include "platform/tap_linux.h"
#include "platform/user.h"

#include <unordered_set>

namespace {
std::unordered_set<HWND> &LiveWindows() {
  static std::unordered_set<HWND> live;
  return live;
}

PlatformMessageBoxHook messageBoxHook = nullptr;
void *messageBoxHookUser = nullptr;
} // namespace

HWND__::HWND__() {
  LiveWindows().insert(this);
}
HWND__::~HWND__() {
  LiveWindows().erase(this);
}

int HWND__::ShowMessageBox(const char *text, const char *caption, UINT type) {
  return platform::ShowMessageBox(nullptr, text, caption, type);
}

namespace platform {

bool IsLiveWindow(HWND window) {
  return window != nullptr && LiveWindows().count(window) != 0;
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
  return platform::ShowMessageBox(nullptr, text, caption, type);
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

BOOL IsWindow(HWND window) {
  return platform::IsLiveWindow(window) && !window->destroyed;
}

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
