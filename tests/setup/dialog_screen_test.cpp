// SPDX-License-Identifier: MIT
// Proves the setup dialog on a real screen (GTK under Xvfb): it opens centred
// with every control where its template puts it, keys and clicks go through
// GTK to the procedure, and a sound failure ends the run with 0.
#include "common/dialog_units.h"
#include "setup_fixture.h"

#include <algorithm>
#include <clocale>
#include <cstring>
#include <functional>

namespace {

void OffsetRect(RECT *rect, LONG dx, LONG dy) {
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
}

bool IntersectRect(RECT *out, const RECT *a, const RECT *b) {
  *out = {std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
          std::min(a->bottom, b->bottom)};
  return out->left < out->right && out->top < out->bottom;
}

struct Placed {
  int id;
  int x, y, cx, cy; // dialog units, as in the template
  bool combo;
};
const Placed kPlaced[] = {
    {IDC_START, 209, 44, 51, 13, false},       {IDC_EXIT, 209, 59, 51, 13, false},
    {IDC_VIDEO_MODES, 13, 23, 154, 73, true},  {IDC_WINDOW, 170, 26, 35, 8, false},
    {IDC_FULLSCREEN, 209, 26, 48, 8, false},   {IDC_SOUND_DEVICES, 40, 51, 127, 60, true},
    {IDC_RATE_48K, 170, 47, 29, 10, false},    {IDC_RATE_44K, 170, 56, 29, 10, false},
    {IDC_RATE_22K, 170, 66, 28, 10, false},    {IDC_RATE_11K, 170, 75, 30, 10, false},
    {IDC_OUTPUT_TYPES, 57, 66, 110, 55, true},
};

// Runs the setup dialog modally; `step` is called with the dialog and a count
// each time the loop is idle with the dialog on the screen.
class SetupDialogOnScreen : public SetupDialogTest {
protected:
  void SetUp() override {
    SetupDialogTest::SetUp();
    SetModes({Mode(1280, 1024, 32, 60), Mode(800, 600, 32, 75), Mode(1024, 768, 32, 60)});
  }
  void TearDown() override {
    PlatformSetDialogHook(nullptr, nullptr);
    SetupDialogTest::TearDown();
  }

  // Button clicks the procedure is told of, by control id, in order.
  static std::vector<int> &Clicks() {
    static std::vector<int> clicks;
    return clicks;
  }
  static INT_PTR CALLBACK LoggingSetupDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
      Clicks().push_back(LOWORD(wParam));
    return SetupDialog(dialog, message, wParam, lParam);
  }

  INT_PTR Run(std::function<void(HWND, int)> each) {
    Clicks().clear();
    step = std::move(each);
    calls = 0;
    PlatformSetDialogHook(
        [](void *user, HWND shown) {
          auto *self = static_cast<SetupDialogOnScreen *>(user);
          self->dialog = shown;
          self->step(shown, self->calls++);
        },
        this);
    const INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCE(IDD_SETUP), nullptr, LoggingSetupDialog, 0);
    dialog = nullptr; // gone with the modal loop
    return result;
  }

  std::function<void(HWND, int)> step;
  int calls = 0;
};

} // namespace

// Radio buttons may grow to the right where the font's text needs it, as long
// as they overlap nothing; everything else keeps its template size.
TEST_F(SetupDialogOnScreen, OpensCentredWithEveryControlAtItsTemplatePlace) {
  const platform::DialogBaseUnits units = platform::MeasureDialogFont("Verdana", 10, 96.0);
  const RECT client = platform::MapDialogUnits(units, 0, 0, 267, 95);
  const INT_PTR result = Run([&](HWND shown, int) {
    RECT outer;
    ASSERT_TRUE(GetWindowRect(shown, &outer));
    const LONG width = outer.right - outer.left, height = outer.bottom - outer.top;
    EXPECT_EQ(outer.left, (1280 - width) / 2);
    EXPECT_EQ(outer.top, (1024 - height) / 2);
    const LONG frame = (width - client.right) / 2;
    EXPECT_GE(frame, 0);
    EXPECT_EQ(height - client.bottom, 2 * frame);
    std::vector<RECT> placed, planned;
    for (const Placed &place : kPlaced) {
      const RECT want = platform::MapDialogUnits(units, place.x, place.y, place.cx, place.cy);
      RECT got;
      ASSERT_TRUE(GetWindowRect(GetDlgItem(shown, place.id), &got));
      OffsetRect(&got, -(outer.left + frame), -(outer.top + frame));
      EXPECT_EQ(got.left, want.left) << place.id;
      EXPECT_EQ(got.top, want.top) << place.id;
      const bool radio = place.id == IDC_WINDOW || place.id == IDC_FULLSCREEN || place.id >= IDC_RATE_48K;
      if (radio)
        EXPECT_GE(got.right, want.right) << place.id;
      else
        EXPECT_EQ(got.right, want.right) << place.id << ": the theme made it wider";
      if (place.combo)
        EXPECT_LT(got.bottom, want.bottom) << place.id << ": the field alone shows";
      else
        EXPECT_EQ(got.bottom, want.bottom) << place.id << ": the theme made it taller";
      EXPECT_LE(got.right, client.right) << place.id;
      // The template itself lets the rate buttons overlap by a unit.
      for (size_t other = 0; other < placed.size(); ++other) {
        RECT overlap;
        if (!IntersectRect(&overlap, &want, &planned[other])) {
          EXPECT_FALSE(IntersectRect(&overlap, &got, &placed[other])) << place.id << " overlaps " << kPlaced[other].id;
        }
      }
      placed.push_back(got);
      planned.push_back(want);
    }
    PlatformDialogPressKey(shown, VK_RETURN);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(demoSettings.videoMode.width, 800u);
  EXPECT_TRUE(demoSettings.fullscreen);
}

// The test runs with LC_ALL=C.UTF-8: a toolkit that took the desktop's locale
// would change how the show formats and reads numbers afterwards.
TEST_F(SetupDialogOnScreen, LeavesTheProgramInTheCLocale) {
  EXPECT_EQ(Run([](HWND shown, int) { EndDialog(shown, 5); }), 5);
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

TEST_F(SetupDialogOnScreen, EscapeIsIgnoredAndClicksReachTheProcedureThroughGtk) {
  bool checkedAfterClick = false, rateKept = false;
  const INT_PTR result = Run([&](HWND shown, int call) {
    if (call == 0) {
      PlatformDialogPressKey(shown, VK_ESCAPE);
    } else if (call == 1) { // still open after Escape
      SendDlgItemMessageA(shown, IDC_WINDOW, BM_CLICK, 0, 0);
      checkedAfterClick = SendDlgItemMessageA(shown, IDC_WINDOW, BM_GETCHECK, 0, 0) == BST_CHECKED &&
                          SendDlgItemMessageA(shown, IDC_FULLSCREEN, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
      rateKept = SendDlgItemMessageA(shown, IDC_RATE_44K, BM_GETCHECK, 0, 0) == BST_CHECKED;
      SendDlgItemMessageA(shown, IDC_RATE_11K, BM_CLICK, 0, 0);
    } else {
      SendDlgItemMessageA(shown, IDC_EXIT, BM_CLICK, 0, 0);
    }
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(checkedAfterClick);
  EXPECT_TRUE(rateKept);
  EXPECT_FALSE(demoSettings.fullscreen);
  EXPECT_EQ(demoSettings.soundSetup.mixRate, 11025);
  // Escape's IDCANCEL, then only the clicked buttons: not the radio buttons
  // GTK turned off (Fullscreen, 44 kHz).
  EXPECT_EQ(Clicks(), (std::vector<int>{IDCANCEL, IDC_WINDOW, IDC_RATE_11K, IDC_EXIT}));
}

TEST_F(SetupDialogOnScreen, ASoundFailureEndsTheRunWithZeroAfterTheBox) {
  fake::Get().initFails = true;
  fake::Get().error = FSOUND_ERR_ALLOCATED;
  const INT_PTR result = Run([&](HWND shown, int) { EndDialog(shown, 1); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(calls, 0); // closed before the loop ran
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].ownerAlive);
  EXPECT_EQ(boxes[0].text, "The output device is already in use and cannot be reused.");
}

TEST_F(SetupDialogOnScreen, StartWithChosenListEntriesStoresThem) {
  const INT_PTR result = Run([&](HWND shown, int) {
    SendDlgItemMessageA(shown, IDC_VIDEO_MODES, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(shown, IDC_SOUND_DEVICES, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(shown, IDC_START, BM_CLICK, 0, 0);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(demoSettings.videoMode.width, 1024u);
  EXPECT_EQ(demoSettings.soundSetup.driver, 1);
}
