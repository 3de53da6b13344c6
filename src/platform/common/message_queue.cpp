// SPDX-License-Identifier: MIT
// The message queue and the USER calls that only post, translate or dispatch.
#include "common/message_queue.h"

#include "common/window_object.h"
#include "platform/kernel.h"
#include "platform/user.h"

#include <deque>

namespace platform {
namespace {
std::deque<MSG> posted;  // posted and input messages, oldest first
bool quitPosted = false; // PostQuitMessage was called and WM_QUIT not yet taken
int quitCode = 0;        // its exit code
} // namespace

bool InFilter(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0)
    return true;
  return message >= filterMin && message <= filterMax;
}

void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg = {};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  posted.push_back(msg);
}

bool TakeQueued(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if ((window != nullptr && it->hwnd != window) || !InFilter(it->message, filterMin, filterMax))
      continue;
    *message = *it;
    if (remove & PM_REMOVE)
      posted.erase(it);
    return true;
  }
  if (quitPosted && window == nullptr && InFilter(WM_QUIT, filterMin, filterMax)) {
    *message = MSG{};
    message->message = WM_QUIT;
    message->wParam = WPARAM(quitCode);
    message->time = GetTickCount();
    if (remove & PM_REMOVE)
      quitPosted = false;
    return true;
  }
  return false;
}

void ForgetMessages() {
  posted.clear();
  quitPosted = false;
}

} // namespace platform

BOOL TranslateMessage(const MSG *message) {
  if (message == nullptr)
    return FALSE;
  switch (message->message) {
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYDOWN:
  case WM_SYSKEYUP:
    return TRUE;
  default:
    return FALSE;
  }
}

LRESULT DispatchMessageA(const MSG *message) {
  if (message == nullptr || message->hwnd == nullptr || !IsWindow(message->hwnd))
    return 0;
  return message->hwnd->Send(message->message, message->wParam, message->lParam);
}

void PostQuitMessage(int exitCode) {
  platform::quitPosted = true;
  platform::quitCode = exitCode;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr && !IsWindow(window))
    return FALSE;
  if (message == WM_QUIT && window == nullptr) {
    PostQuitMessage(int(wParam));
    return TRUE;
  }
  platform::PostToQueue(window, message, wParam, lParam);
  return TRUE;
}
