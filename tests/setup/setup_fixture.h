// SPDX-License-Identifier: MIT
// A setup dialog opened without a screen against the test's display modes
// and sound devices, with message boxes recorded instead of shown.
#pragma once
#include "fake_fsound.h"
#include "platform/fsound.h"
#include "platform/tap_linux.h"
#include "platform/windows.h"
#include "setup/demo_settings.h"
#include "setup/setup_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline DEVMODEA Mode(DWORD width, DWORD height, DWORD bits, DWORD hertz, DWORD flags = 0) {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmBitsPerPel = bits;
  mode.dmDisplayFrequency = hertz;
  mode.u2.dmDisplayFlags = flags;
  return mode;
}

struct ShownBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  bool ownerAlive; // the owner was still a window when the box came up
};

class SetupDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    demoSettings = {{640, 480, 32, 60}, true, {0, 2, 44100}};
    fake::Reset();
    // The current mode first, then the list the display offers.
    SetModes({Mode(1920, 1080, 32, 60), Mode(800, 600, 32, 75), Mode(1024, 768, 32, 60), Mode(1280, 1024, 32, 60)});
    PlatformSetMessageBoxHook(
        [](void *user, HWND owner, const char *text, const char *caption, UINT type) {
          static_cast<SetupDialogTest *>(user)->boxes.push_back({owner, text, caption, type, IsWindow(owner) != 0});
          return IDOK;
        },
        this);
  }

  void TearDown() override {
    if (dialog != nullptr)
      PlatformDeleteDialog(dialog);
    PlatformSetMessageBoxHook(nullptr, nullptr);
  }

  void SetModes(const std::vector<DEVMODEA> &modes) {
    PlatformSetDisplayModes(modes.data(), static_cast<int>(modes.size()));
  }

  HWND Open() {
    dialog = PlatformCreateDialog(MAKEINTRESOURCE(IDD_SETUP), SetupDialog, 0);
    return dialog;
  }

  // The viewer's click on a button.
  void Click(int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }

  void Command(int id, int code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }

  std::vector<std::string> Items(int id) {
    std::vector<std::string> items;
    const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[256] = {};
      SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }

  int Selected(int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)); }
  bool Checked(int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

  // What DialogBoxParamA would have returned; -99 while the dialog runs.
  INT_PTR Result() {
    INT_PTR result = -99;
    PlatformDialogEnded(dialog, &result);
    return result;
  }

  HWND dialog = nullptr;
  std::vector<ShownBox> boxes;
};
