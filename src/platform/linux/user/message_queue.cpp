// SPDX-License-Identifier: MIT
// PeekMessageA over SDL: SDL's events translated into the messages Win32
// would deliver, queued (common/message_queue.h), and WM_PAINT.
#include "common/message_queue.h"
#include "common/hooks.h"
#include "common/key_map.h"
#include "user/layer.h"

#include "platform/kernel.h"
#include "platform/tap_linux.h"
#include "platform/user.h"

namespace platform {
namespace {

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
    PostToQueue(window, message.message, message.vk, message.lParam);
}

void TranslateWindowEvent(const SDL_WindowEvent &event) {
  TopWindow *window = FindTopWindow(event.windowID);
  if (window == nullptr)
    return;
  switch (event.event) {
  case SDL_WINDOWEVENT_CLOSE:
    PostToQueue(window, WM_SYSCOMMAND, SC_CLOSE, 0);
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
      PostToQueue(window, WM_SYSCOMMAND, SC_CLOSE, 0);
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

} // namespace

} // namespace platform

BOOL PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  using namespace platform;
  if (message == nullptr)
    return FALSE;
  TakeEvents();
  if (TakeQueued(message, window, filterMin, filterMax, remove))
    return TRUE;
  if (InFilter(WM_PAINT, filterMin, filterMax)) {
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
