// SPDX-License-Identifier: MIT
// The table from physical keys to Win32 virtual-key codes and PC scan codes.
#include "common/key_map.h"

namespace platform {
namespace {

struct KeyInfo {
  BYTE vk;       // virtual-key code; 0: no such key
  BYTE scan;     // set-1 scan code
  bool extended; // E0-prefixed on a PC keyboard (bit 24 of lParam)
};

// Indexed by USB HID usage 0..101 (the main block, function keys, editing
// keys, keypad). Modifiers (224..231) are handled apart.
const KeyInfo kKeys[] = {
    {0, 0, false},
    {0, 0, false},
    {0, 0, false},
    {0, 0, false},
    // 4..29: A..Z
    {'A', 0x1E, false},
    {'B', 0x30, false},
    {'C', 0x2E, false},
    {'D', 0x20, false},
    {'E', 0x12, false},
    {'F', 0x21, false},
    {'G', 0x22, false},
    {'H', 0x23, false},
    {'I', 0x17, false},
    {'J', 0x24, false},
    {'K', 0x25, false},
    {'L', 0x26, false},
    {'M', 0x32, false},
    {'N', 0x31, false},
    {'O', 0x18, false},
    {'P', 0x19, false},
    {'Q', 0x10, false},
    {'R', 0x13, false},
    {'S', 0x1F, false},
    {'T', 0x14, false},
    {'U', 0x16, false},
    {'V', 0x2F, false},
    {'W', 0x11, false},
    {'X', 0x2D, false},
    {'Y', 0x15, false},
    {'Z', 0x2C, false},
    // 30..39: 1..9, 0
    {'1', 0x02, false},
    {'2', 0x03, false},
    {'3', 0x04, false},
    {'4', 0x05, false},
    {'5', 0x06, false},
    {'6', 0x07, false},
    {'7', 0x08, false},
    {'8', 0x09, false},
    {'9', 0x0A, false},
    {'0', 0x0B, false},
    // 40..57: Return, Escape, Backspace, Tab, Space, - = [ ] \ (non-US #) ; ' ` , . / CapsLock
    {VK_RETURN, 0x1C, false},
    {VK_ESCAPE, 0x01, false},
    {VK_BACK, 0x0E, false},
    {VK_TAB, 0x0F, false},
    {VK_SPACE, 0x39, false},
    {VK_OEM_MINUS, 0x0C, false},
    {VK_OEM_PLUS, 0x0D, false},
    {VK_OEM_4, 0x1A, false},
    {VK_OEM_6, 0x1B, false},
    {VK_OEM_5, 0x2B, false},
    {VK_OEM_5, 0x2B, false},
    {VK_OEM_1, 0x27, false},
    {VK_OEM_7, 0x28, false},
    {VK_OEM_3, 0x29, false},
    {VK_OEM_COMMA, 0x33, false},
    {VK_OEM_PERIOD, 0x34, false},
    {VK_OEM_2, 0x35, false},
    {VK_CAPITAL, 0x3A, false},
    // 58..69: F1..F12
    {VK_F1, 0x3B, false},
    {VK_F2, 0x3C, false},
    {VK_F3, 0x3D, false},
    {VK_F4, 0x3E, false},
    {VK_F5, 0x3F, false},
    {VK_F6, 0x40, false},
    {VK_F7, 0x41, false},
    {VK_F8, 0x42, false},
    {VK_F9, 0x43, false},
    {VK_F10, 0x44, false},
    {VK_F11, 0x57, false},
    {VK_F12, 0x58, false},
    // 70..82: PrintScreen, ScrollLock, Pause, Insert, Home, PageUp, Delete, End, PageDown, arrows
    {VK_SNAPSHOT, 0x37, true},
    {VK_SCROLL, 0x46, false},
    {VK_PAUSE, 0x45, false},
    {VK_INSERT, 0x52, true},
    {VK_HOME, 0x47, true},
    {VK_PRIOR, 0x49, true},
    {VK_DELETE, 0x53, true},
    {VK_END, 0x4F, true},
    {VK_NEXT, 0x51, true},
    {VK_RIGHT, 0x4D, true},
    {VK_LEFT, 0x4B, true},
    {VK_DOWN, 0x50, true},
    {VK_UP, 0x48, true},
    // 83..99: NumLock, keypad / * - + Enter 1..9 0 .
    {VK_NUMLOCK, 0x45, true},
    {VK_DIVIDE, 0x35, true},
    {VK_MULTIPLY, 0x37, false},
    {VK_SUBTRACT, 0x4A, false},
    {VK_ADD, 0x4E, false},
    {VK_RETURN, 0x1C, true},
    {VK_NUMPAD1, 0x4F, false},
    {VK_NUMPAD2, 0x50, false},
    {VK_NUMPAD3, 0x51, false},
    {VK_NUMPAD4, 0x4B, false},
    {VK_NUMPAD5, 0x4C, false},
    {VK_NUMPAD6, 0x4D, false},
    {VK_NUMPAD7, 0x47, false},
    {VK_NUMPAD8, 0x48, false},
    {VK_NUMPAD9, 0x49, false},
    {VK_NUMPAD0, 0x52, false},
    {VK_DECIMAL, 0x53, false},
    // 100: non-US backslash, 101: Application (menu) key
    {VK_OEM_5, 0x56, false},
    {VK_APPS, 0x5D, true},
};
constexpr int kKeyCount = int(sizeof(kKeys) / sizeof(kKeys[0]));
static_assert(kKeyCount == 102, "the table covers HID usages 0..101");

// 224..231: left Ctrl, Shift, Alt, GUI, then the right ones. Win32 reports the
// generic codes (VK_CONTROL, VK_SHIFT, VK_MENU) in key messages.
const KeyInfo kModifiers[] = {
    {VK_CONTROL, 0x1D, false}, {VK_SHIFT, 0x2A, false}, {VK_MENU, 0x38, false}, {VK_LWIN, 0x5B, true},
    {VK_CONTROL, 0x1D, true},  {VK_SHIFT, 0x36, false}, {VK_MENU, 0x38, true},  {VK_RWIN, 0x5C, true},
};

KeyInfo Lookup(int scancode) {
  if (scancode >= 0 && scancode < kKeyCount)
    return kKeys[scancode];
  if (scancode >= 224 && scancode <= 231)
    return kModifiers[scancode - 224];
  return {0, 0, false};
}

} // namespace

bool TranslateKey(const KeyInput &input, KeyMessage *out) {
  KeyInfo key = Lookup(input.scancode);
  if (key.vk == 0)
    return false;
  // Letter and digit keys are named by what the layout prints on them, as
  // Win32 does (the key labelled Z on a German keyboard is 'Z').
  if (input.character >= 'a' && input.character <= 'z')
    key.vk = BYTE(input.character - 'a' + 'A');
  else if (input.character >= '0' && input.character <= '9' && key.vk >= '0' && key.vk <= 'Z')
    key.vk = BYTE(input.character);

  // Alt without Ctrl makes "system" keys, and so do F10 and Alt itself.
  const bool system = (input.altHeld && !input.ctrlHeld) || key.vk == VK_F10 || key.vk == VK_MENU;
  if (input.down)
    out->message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
  else
    out->message = system ? WM_SYSKEYUP : WM_KEYUP;
  out->vk = key.vk;

  DWORD flags = key.scan; // the high word of lParam, KF_* layout
  if (key.extended)
    flags |= KF_EXTENDED;
  if (input.altHeld)
    flags |= KF_ALTDOWN;
  if (!input.down || input.repeat)
    flags |= KF_REPEAT; // the key was down before this message
  if (!input.down)
    flags |= KF_UP;
  out->lParam = LPARAM(DWORD(1) | (flags << 16)); // repeat count 1: SDL reports each repeat
  return true;
}

} // namespace platform
