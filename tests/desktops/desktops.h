// SPDX-License-Identifier: MIT
// Real display servers for the tests of the show on desktops: a headless
// Wayland compositor (sway) and an X server with real display modes (Xorg
// with the dummy driver), each started in the test's scratch folder and
// stopped by its process id; and the show itself started on them.
#pragma once
#include "support/show_kit.h"

#include <memory>
#include <string>
#include <vector>

namespace desktops {

// The exit status README's window section gives for a show ended by SIGTERM
// (the window is closed and the program shuts down in order, then reports
// the signal as a shell would).
constexpr int kStatusAfterStopSignal = 128 + 15;

// sway on its headless back end with one 1024 x 768 output. As root it runs
// as nobody (it refuses root); root's clients still reach its socket.
class Sway {
public:
  explicit Sway(const std::string &folder);
  ~Sway();
  bool Up() const { return !socket.empty(); }
  const std::string &Why() const { return why; }
  // What a client needs in its environment to reach this compositor.
  std::vector<std::string> ClientEnv() const;
  // The whole output as it is now (grim).
  bool Screenshot(showkit::Picture *picture);
  // Types the keys (wtype key names) on a virtual keyboard. The seat has no
  // keyboard until one is made, and a client binds a new one only after a
  // while: the first key waits 1.5 s. GTK takes only the first keyboard it
  // sees, so a dialog gets all its keys in one call.
  bool Keys(const std::vector<std::string> &keys);
  // swaymsg with these arguments; its output.
  std::string Message(const std::vector<std::string> &args);
  // The output's current mode, "1024x768".
  std::string OutputMode();

private:
  std::string folder, runtime, socket, ipc, why;
  std::unique_ptr<showkit::Child> server;
};

// Xorg with the dummy driver on a free display number, offering 1024x768
// (the desktop mode), 800x600 and 640x480 among its RandR modes; with
// openbox as window manager when asked. Up() is false, with the reason,
// where the server cannot start (Xorg needs root or a console).
class Xorg {
public:
  Xorg(const std::string &folder, bool windowManager);
  ~Xorg();
  bool Up() const { return !display.empty(); }
  const std::string &Why() const { return why; }
  const std::string &Display() const { return display; } // ":N"
  // The active mode of the screen's output, as xrandr reports it: "640x480".
  std::string CurrentMode();

private:
  std::string folder, display, why;
  std::unique_ptr<showkit::Child> server, manager;
};

// The index of WIDTH x HEIGHT in the setup dialog's mode list on the display
// that `env` names (the layer's EnumDisplaySettingsA, filtered as the dialog
// does), found in a child process; -1 when it is not listed.
int DialogModeIndex(int width, int height, const std::vector<std::string> &env, const std::vector<std::string> &unset);

// Seconds on a monotonic clock.
double Now();

} // namespace desktops
