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
  // The window's pixels as they are on the screen now.
  bool Grab(unsigned long window, Picture *picture);
  // Focuses the window and presses and releases `key` (an xdotool key name).
  bool Press(unsigned long window, const std::string &key);

private:
  void *display = nullptr; // Display *
};

} // namespace showkit
