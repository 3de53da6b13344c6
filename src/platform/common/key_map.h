// SPDX-License-Identifier: MIT
// Key events as Win32 reports them: virtual-key code, message and lParam from
// a physical key (USB HID usage number, which is SDL's scancode numbering) and
// the layout's character. No SDL types, so tests can drive it directly.
#pragma once
#include "platform/win32_types.h"

namespace platform {

struct KeyInput {
  int scancode;  // USB HID keyboard usage (SDL_Scancode): 4 = A, 41 = Escape, ...
  int character; // the layout's key code (SDL_Keycode): 'a'..'z' and '0'..'9' name the key
  bool down;     // pressed (true) or released
  bool repeat;   // an auto-repeat of a key already down
  bool altHeld;  // either Alt key is down
  bool ctrlHeld; // either Ctrl key is down
};

struct KeyMessage {
  UINT message;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
  WPARAM vk;     // virtual-key code
  LPARAM lParam; // repeat count, scan code, extended, Alt, previous state, transition
};

// The message for one key event. False for keys that have no virtual-key code
// here (media keys and the like): they are not reported.
bool TranslateKey(const KeyInput &input, KeyMessage *out);

} // namespace platform
