// SPDX-License-Identifier: MIT
// Proves that key events become the messages Win32 sends: the right message,
// virtual-key code and lParam bits (repeat count, scan code, extended key,
// Alt, previous state, transition) for presses, repeats and releases.
#include "common/key_map.h"

#include <gtest/gtest.h>

using platform::KeyInput;
using platform::KeyMessage;
using platform::TranslateKey;

namespace {
// USB HID usages (SDL's scancodes) of the keys used below.
constexpr int kA = 4, kZ = 29, kOne = 30, kEscape = 41, kF4 = 61, kF10 = 67, kRight = 79, kKeypadEnter = 88,
              kLeftAlt = 226, kRightCtrl = 228;

KeyMessage Translate(int scancode, int character, bool down, bool repeat = false, bool alt = false, bool ctrl = false) {
  KeyMessage message{};
  EXPECT_TRUE(TranslateKey(KeyInput{scancode, character, down, repeat, alt, ctrl}, &message));
  return message;
}
} // namespace

TEST(KeyMessages, EscapePressAndReleaseCarryWin32LParam) {
  const KeyMessage press = Translate(kEscape, 27, true);
  EXPECT_EQ(press.message, UINT(WM_KEYDOWN));
  EXPECT_EQ(press.vk, WPARAM(VK_ESCAPE));
  EXPECT_EQ(press.lParam, LPARAM(0x00010001)); // one press, scan code 1, key was up

  const KeyMessage release = Translate(kEscape, 27, false);
  EXPECT_EQ(release.message, UINT(WM_KEYUP));
  EXPECT_EQ(release.vk, WPARAM(VK_ESCAPE));
  EXPECT_EQ(DWORD(release.lParam), 0xC0010001u); // transition and previous-state bits set
  EXPECT_EQ(SHORT(LOWORD(release.lParam)), 1);   // the repeat count a key-up handler reads
}

TEST(KeyMessages, AutoRepeatMarksTheKeyAsAlreadyDown) {
  const KeyMessage repeat = Translate(kA, 'a', true, true);
  EXPECT_EQ(repeat.message, UINT(WM_KEYDOWN));
  EXPECT_TRUE(HIWORD(repeat.lParam) & KF_REPEAT);
  EXPECT_FALSE(HIWORD(repeat.lParam) & KF_UP);
}

TEST(KeyMessages, LettersAndDigitsAreNamedByTheLayout) {
  EXPECT_EQ(Translate(kA, 'a', true).vk, WPARAM('A'));
  EXPECT_EQ(HIWORD(Translate(kA, 'a', true).lParam) & 0xFF, 0x1E);
  // The key in the Z position of a German layout prints Y, and Win32 says 'Y'.
  EXPECT_EQ(Translate(kZ, 'y', true).vk, WPARAM('Y'));
  EXPECT_EQ(Translate(kOne, '1', true).vk, WPARAM('1'));
  // On a layout whose digit key prints something else, the key is still '1'.
  EXPECT_EQ(Translate(kOne, '&', true).vk, WPARAM('1'));
}

TEST(KeyMessages, NavigationAndKeypadEnterAreExtendedKeys) {
  const KeyMessage right = Translate(kRight, 0, true);
  EXPECT_EQ(right.vk, WPARAM(VK_RIGHT));
  EXPECT_TRUE(HIWORD(right.lParam) & KF_EXTENDED);
  const KeyMessage enter = Translate(kKeypadEnter, 0, true);
  EXPECT_EQ(enter.vk, WPARAM(VK_RETURN));
  EXPECT_TRUE(HIWORD(enter.lParam) & KF_EXTENDED);
  EXPECT_FALSE(HIWORD(Translate(kEscape, 27, true).lParam) & KF_EXTENDED);
  const KeyMessage rightCtrl = Translate(kRightCtrl, 0, true, false, false, true);
  EXPECT_EQ(rightCtrl.vk, WPARAM(VK_CONTROL));
  EXPECT_TRUE(HIWORD(rightCtrl.lParam) & KF_EXTENDED);
}

TEST(KeyMessages, AltMakesSystemKeysUnlessCtrlIsHeld) {
  const KeyMessage altF4 = Translate(kF4, 0, true, false, true);
  EXPECT_EQ(altF4.message, UINT(WM_SYSKEYDOWN));
  EXPECT_EQ(altF4.vk, WPARAM(VK_F4));
  EXPECT_TRUE(HIWORD(altF4.lParam) & KF_ALTDOWN);
  EXPECT_EQ(Translate(kF4, 0, false, false, true).message, UINT(WM_SYSKEYUP));
  EXPECT_EQ(Translate(kLeftAlt, 0, true, false, true).message, UINT(WM_SYSKEYDOWN));
  EXPECT_EQ(Translate(kF10, 0, true).message, UINT(WM_SYSKEYDOWN));
  // AltGr arrives as Ctrl+Alt and types characters: ordinary key messages.
  EXPECT_EQ(Translate(kA, 'a', true, false, true, true).message, UINT(WM_KEYDOWN));
}

TEST(KeyMessages, KeysWithoutAVirtualKeyAreNotReported) {
  KeyMessage message{};
  EXPECT_FALSE(TranslateKey(KeyInput{0, 0, true, false, false, false}, &message));
  EXPECT_FALSE(TranslateKey(KeyInput{127, 0, true, false, false, false}, &message)); // mute
  EXPECT_FALSE(TranslateKey(KeyInput{-1, 0, true, false, false, false}, &message));
}
