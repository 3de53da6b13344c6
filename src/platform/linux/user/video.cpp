// SPDX-License-Identifier: MIT
// The connection to the display through SDL's video subsystem, opened once,
// and the end-of-process clean-up.
#include "platform/session.h"

#include "user/layer.h"

#include "common/message_queue.h"

#include "platform/command_line.h"
#include "platform/user.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace platform {
namespace {

enum class VideoState { NotTried, Up, Failed };
VideoState state = VideoState::NotTried;
std::string failure; // SDL's reason when the display could not be opened

bool HasEnv(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// The X server went away (killed, or its connection broke): Xlib calls this
// and ends the process when it returns, no call on the display can be made
// any more, and nothing is left to restore on it. Says so in one line and
// takes the helpers along.
int OnDisplayLost(void *) {
  const int reason = errno;
  const char *display = std::getenv("DISPLAY");
  // A connection the server closed reads as "try again" to Xlib.
  const bool closed = reason == 0 || reason == EAGAIN;
  std::fprintf(stderr, "%s: lost the connection to the X server at DISPLAY=%s (%s)\n", PlatformProgramName(),
               display != nullptr ? display : "", closed ? "the server closed it" : std::strerror(reason));
  EndHelpers();
  _exit(kExitFailure);
}

} // namespace

void WatchDisplayConnection() {
  // Xlib is there wherever SDL or GTK talk to an X server (SDL loads it, GTK
  // links it); both set a handler of their own when they connect, which
  // ends the process without a word.
  typedef int (*IoErrorHandler)(void *);
  typedef IoErrorHandler (*SetIoErrorHandler)(IoErrorHandler);
  const auto set = reinterpret_cast<SetIoErrorHandler>(dlsym(RTLD_DEFAULT, "XSetIOErrorHandler"));
  if (set != nullptr)
    set(OnDisplayLost);
}

bool EnsureVideo() {
  if (state != VideoState::NotTried)
    return state == VideoState::Up;
  // SDL would fall back to an off-screen driver and run with no window to
  // see; only a driver asked for by name (tests use "dummy") may do that.
  if (!HasEnv("SDL_VIDEODRIVER")) {
    const bool x11 = HasEnv("DISPLAY");
    const bool wayland = HasEnv("WAYLAND_DISPLAY");
    if (!x11 && !wayland) {
      failure = "no X server or Wayland compositor";
      state = VideoState::Failed;
      return false;
    }
    // Where both are set (a Wayland desktop with Xwayland) the window is a
    // native Wayland one, as GTK's dialog is by default: no scaling through
    // Xwayland, and X11 only when the compositor cannot be reached.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland ? "wayland,x11" : "x11");
  }
  // Our own handlers turn stop signals into a close of the window; SDL's
  // would only queue a quit event that nobody reads during a modal dialog.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Closing the last window is a window message like any other, not a quit.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // The screen saver runs unless an active window swallows SC_SCREENSAVE.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    failure = SDL_GetError();
    state = VideoState::Failed;
    return false;
  }
  state = VideoState::Up;
  WatchDisplayConnection();
  InstallSignalHandlers();
  ApplyCursor();
  return true;
}

bool OpenDisplay(std::string *why) {
  if (EnsureVideo())
    return true;
  if (why == nullptr)
    return false;
  const char *x11 = std::getenv("DISPLAY");
  const char *wayland = std::getenv("WAYLAND_DISPLAY");
  const bool hasX11 = HasEnv("DISPLAY");
  const bool hasWayland = HasEnv("WAYLAND_DISPLAY");
  if (HasEnv("SDL_VIDEODRIVER")) {
    *why = std::string("no display: the video driver SDL_VIDEODRIVER=") + std::getenv("SDL_VIDEODRIVER") +
           " cannot be started (" + failure + ")";
  } else if (!hasX11 && !hasWayland) {
    *why = "no display: neither DISPLAY nor WAYLAND_DISPLAY is set, so there is no X server or Wayland "
           "compositor to open a window on";
  } else {
    *why = "no display: cannot connect to";
    if (hasX11)
      *why += std::string(" the X server at DISPLAY=") + x11;
    if (hasX11 && hasWayland)
      *why += " or";
    if (hasWayland)
      *why += std::string(" the Wayland compositor at WAYLAND_DISPLAY=") + wayland;
    *why += " (" + failure + ")";
  }
  return false;
}

void Shutdown() {
  if (state != VideoState::Up)
    return;
  ChangeDisplaySettingsA(nullptr, 0);
  DeleteAllContexts();
  ForgetMessages();
  // Deleting a window object lets its SDL window go without a message.
  while (!TopWindows().empty())
    delete TopWindows().back();
  SDL_EnableScreenSaver();
  SDL_Quit();
  state = VideoState::NotTried;
}

} // namespace platform
