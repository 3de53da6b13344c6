// SPDX-License-Identifier: MIT
// The X screen as a viewer's eyes and fingers: windows found by title,
// their pixels, and keys pressed on them (through xdotool).
#pragma once
#include "show_kit.h"

#include <string>

namespace showkit {

class Screen {
public:
  Screen(); // connects to $DISPLAY
  ~Screen();
  bool Open() const { return display != nullptr; }
  // A mapped window with this exact title, or 0.
  unsigned long Find(const std::string &title);
  // Waits up to `seconds` for Find to succeed.
  unsigned long WaitFor(const std::string &title, double seconds);
  // The root window: the whole screen, for Grab.
  unsigned long Root();
  // Where the window's top-left pixel lies on the screen, and its size.
  bool Geometry(unsigned long window, int *x, int *y, int *width, int *height);
  // The window's pixels as they are on the screen now.
  bool Grab(unsigned long window, Picture *picture);
  // Asks the window to close: WM_DELETE_WINDOW as the close button sends it,
  // or with `viaManager` _NET_CLOSE_WINDOW to the window manager, which
  // then sends that.
  bool Close(unsigned long window, bool viaManager);
  // Focuses the window and presses and releases `key` (an xdotool key name).
  bool Press(unsigned long window, const std::string &key);

private:
  void *display = nullptr; // Display *
};

} // namespace showkit
