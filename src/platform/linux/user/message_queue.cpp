// SPDX-License-Identifier: MIT
// The program's message queue: posted messages, WM_QUIT, WM_PAINT, and the
// translation of SDL events into the messages Win32 would deliver.
#include "common/hooks.h"
#include "common/key_map.h"
#include "user/layer.h"

#include "platform/kernel.h"
#include "platform/tap_linux.h"
#include "platform/user.h"

#include <deque>

namespace platform {
namespace {

std::deque<MSG> posted;  // posted and input messages, oldest first
bool quitPosted = false; // PostQuitMessage was called and WM_QUIT not yet taken
int quitCode = 0;        // its exit code
bool InRange(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0)
    return true;
  return message >= filterMin && message <= filterMax;
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg = {};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  posted.push_back(msg);
}

// Asks an activated window whether it lets the screen saver and the monitor
// power-down happen: a window that swallows either request keeps both away
// while it stays active.
void AskAboutScreenSaver(TopWindow *window) {
  window->saverPassedOn = false;
  window->Send(WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  const bool saverAllowed = window->saverPassedOn;
  if (window->destroyed)
    return;
  window->saverPassedOn = false;
  window->Send(WM_SYSCOMMAND, SC_MONITORPOWER, 2); // 2: the monitor is being shut off
  const bool powerDownAllowed = window->saverPassedOn;
  if (window->destroyed)
    return;
  if (saverAllowed && powerDownAllowed)
    SDL_EnableScreenSaver();
  else
    SDL_DisableScreenSaver();
}

void TranslateKeyEvent(const SDL_KeyboardEvent &event) {
  TopWindow *window = FindTopWindow(event.windowID);
  if (window == nullptr)
    return;
  KeyInput input;
  input.scancode = int(event.keysym.scancode);
  input.character = int(event.keysym.sym);
  input.down = event.type == SDL_KEYDOWN;
  input.repeat = event.repeat != 0;
  input.altHeld = (event.keysym.mod & KMOD_ALT) != 0;
  input.ctrlHeld = (event.keysym.mod & KMOD_CTRL) != 0;
  KeyMessage message;
  if (TranslateKey(input, &message))
    Post(window, message.message, message.vk, message.lParam);
}

void TranslateWindowEvent(const SDL_WindowEvent &event) {
  TopWindow *window = FindTopWindow(event.windowID);
  if (window == nullptr)
    return;
  switch (event.event) {
  case SDL_WINDOWEVENT_CLOSE:
    Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    break;
  case SDL_WINDOWEVENT_FOCUS_GAINED:
    window->Send(WM_ACTIVATE, WA_ACTIVE, 0);
    if (!window->destroyed)
      AskAboutScreenSaver(window);
    break;
  case SDL_WINDOWEVENT_FOCUS_LOST:
    window->Send(WM_ACTIVATE, WA_INACTIVE, 0);
    SDL_EnableScreenSaver();
    break;
  case SDL_WINDOWEVENT_EXPOSED:
    window->needsPaint = true;
    break;
  default:
    break;
  }
}

// A stop request (a stop signal, or SDL's own quit) closes the program's
// first window the way its close button would, so that the program tears
// down in its usual order.
void RequestClose() {
  for (TopWindow *window : TopWindows())
    if (!window->destroyed) {
      Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    }
}

void TakeEvents() {
  if (!EnsureVideo())
    return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKeyEvent(event.key);
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event.window);
      break;
    case SDL_QUIT:
      RequestClose();
      break;
    default:
      break;
    }
  }
  if (TakeCloseRequest())
    RequestClose();
}

bool Matches(const MSG &msg, HWND window, UINT filterMin, UINT filterMax) {
  return (window == nullptr || msg.hwnd == window) && InRange(msg.message, filterMin, filterMax);
}

} // namespace

void ForgetMessages() {
  posted.clear();
  quitPosted = false;
}

} // namespace platform

BOOL PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  using namespace platform;
  if (message == nullptr)
    return FALSE;
  TakeEvents();
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if (!Matches(*it, window, filterMin, filterMax))
      continue;
    *message = *it;
    if (remove & PM_REMOVE)
      posted.erase(it);
    return TRUE;
  }
  if (quitPosted && window == nullptr && InRange(WM_QUIT, filterMin, filterMax)) {
    *message = MSG{};
    message->message = WM_QUIT;
    message->wParam = WPARAM(quitCode);
    message->time = GetTickCount();
    if (remove & PM_REMOVE)
      quitPosted = false;
    return TRUE;
  }
  if (InRange(WM_PAINT, filterMin, filterMax)) {
    for (TopWindow *top : TopWindows()) {
      if (top->destroyed || !top->needsPaint || (window != nullptr && window != top))
        continue;
      // WM_PAINT stays due until the window is validated (BeginPaint or
      // default processing), whatever PM_REMOVE says.
      *message = MSG{};
      message->hwnd = top;
      message->message = WM_PAINT;
      message->time = GetTickCount();
      return TRUE;
    }
  }
  RunIdleHook();
  return FALSE;
}

bool PlatformScreenSaverInhibited(void) {
  return SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_IsScreenSaverEnabled() == SDL_FALSE;
}

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
  platform::Post(window, message, wParam, lParam);
  return TRUE;
}
