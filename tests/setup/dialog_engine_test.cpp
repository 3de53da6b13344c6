// SPDX-License-Identifier: MIT
// Proves the dialog engine's Win32 behaviour without a screen: how WM_COMMAND
// is packed, how radio buttons group, what combo boxes answer, what the keys
// send, how a dialog ends, and how dialog units become pixels.
#include "common/dialog_units.h"
#include "platform/dialog_template.h"
#include "platform/tap_linux.h"
#include "platform/windows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr int kTestDialog = 7001;
constexpr int kNoDefaultDialog = 7002;

// Two radio groups split by a WS_GROUP label; a plain radio button; a list.
const DialogControlTemplate kControls[] = {
    {"button", 10, "&OK", kChild | BS_DEFPUSHBUTTON, 0, 4, 4, 40, 12},
    {"button", 11, "a1", kChild | BS_AUTORADIOBUTTON, 0, 4, 20, 30, 8},
    {"button", 12, "a2", kChild | BS_AUTORADIOBUTTON, 0, 4, 30, 30, 8},
    {"static", -1, "label", kChild | SS_LEFT | WS_GROUP, 0, 50, 4, 30, 8},
    {"button", 21, "b1", kChild | BS_AUTORADIOBUTTON, 0, 50, 20, 30, 8},
    {"button", 22, "b2", kChild | BS_AUTORADIOBUTTON, 0, 50, 30, 30, 8},
    {"button", 23, "plain", kChild | BS_RADIOBUTTON | WS_GROUP, 0, 50, 40, 30, 8},
    {"combobox", 30, "", kChild | CBS_DROPDOWN, 0, 4, 50, 80, 40},
    {"button", IDCANCEL, "Cancel", kChild | BS_PUSHBUTTON, 0, 90, 4, 40, 12},
};
const DialogTemplate kTemplate = {WS_POPUP | DS_MODALFRAME, 0, 20, 10, 140, 100, "", "Sans", 10, kControls, 9};
const DialogTemplateRegistrar kRegistrar(kTestDialog, &kTemplate);

const DialogControlTemplate kPlainControls[] = {{"button", 40, "Go", kChild | BS_PUSHBUTTON, 0, 4, 4, 40, 12}};
const DialogTemplate kPlainTemplate = {WS_POPUP, 0, 0, 0, 60, 30, "", "Sans", 10, kPlainControls, 1};
const DialogTemplateRegistrar kPlainRegistrar(kNoDefaultDialog, &kPlainTemplate);

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Received> received;

INT_PTR CALLBACK Recorder(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({message, wParam, lParam});
  if (message == WM_COMMAND && LOWORD(wParam) == 10)
    EndDialog(dialog, 42);
  return message == WM_INITDIALOG || message == WM_COMMAND ? 0 : DefWindowProcA(dialog, message, wParam, lParam);
}

std::vector<Received> Commands() {
  std::vector<Received> commands;
  for (const Received &r : received)
    if (r.message == WM_COMMAND)
      commands.push_back(r);
  return commands;
}

class DialogEngine : public ::testing::Test {
protected:
  void SetUp() override {
    received.clear();
    dialog = PlatformCreateDialog(MAKEINTRESOURCE(kTestDialog), Recorder, 1234);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override { PlatformDeleteDialog(dialog); }

  LRESULT Item(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
  }
  bool Checked(int id) { return Item(id, BM_GETCHECK) == BST_CHECKED; }

  HWND dialog = nullptr;
};

} // namespace

TEST_F(DialogEngine, InitDialogCarriesTheParameter) {
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0].message, UINT(WM_INITDIALOG));
  EXPECT_EQ(received[0].lParam, 1234);
}

TEST_F(DialogEngine, ACommandHasTheIdLowTheCodeHighAndTheControl) {
  Item(21, BM_CLICK);
  ASSERT_EQ(Commands().size(), 1u);
  EXPECT_EQ(LOWORD(Commands()[0].wParam), 21);
  EXPECT_EQ(HIWORD(Commands()[0].wParam), BN_CLICKED);
  EXPECT_EQ(Commands()[0].lParam, reinterpret_cast<LPARAM>(GetDlgItem(dialog, 21)));
}

TEST_F(DialogEngine, AClickChecksOneRadioButtonOfItsOwnGroupOnly) {
  Item(11, BM_CLICK);
  Item(21, BM_CLICK);
  EXPECT_TRUE(Checked(11));
  EXPECT_TRUE(Checked(21));
  Item(12, BM_CLICK);
  EXPECT_FALSE(Checked(11));
  EXPECT_TRUE(Checked(12));
  EXPECT_TRUE(Checked(21));
  Item(22, BM_CLICK);
  EXPECT_FALSE(Checked(21));
  EXPECT_TRUE(Checked(12));
}

TEST_F(DialogEngine, RadioButtonsStartUncheckedAndCanBeUncheckedByMessage) {
  for (int id : {11, 12, 21, 22, 23})
    EXPECT_FALSE(Checked(id)) << id;
  Item(11, BM_SETCHECK, BST_CHECKED);
  Item(11, BM_SETCHECK, BST_UNCHECKED);
  EXPECT_FALSE(Checked(11));
  EXPECT_FALSE(Checked(12));
  EXPECT_TRUE(Commands().empty()); // BM_SETCHECK is not a click
}

TEST_F(DialogEngine, APlainRadioButtonReportsTheClickButKeepsItsCheck) {
  Item(23, BM_CLICK);
  EXPECT_FALSE(Checked(23));
  ASSERT_EQ(Commands().size(), 1u);
  EXPECT_EQ(LOWORD(Commands()[0].wParam), 23);
}

TEST_F(DialogEngine, AComboBoxKeepsItemsInOrderAndOneSelection) {
  EXPECT_EQ(Item(30, CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(Item(30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("zeta")), 0);
  EXPECT_EQ(Item(30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("alpha")), 1);
  EXPECT_EQ(Item(30, CB_ADDSTRING, 0, 0), 2); // no text: an empty item
  EXPECT_EQ(Item(30, CB_GETCOUNT), 3);
  char text[16] = {};
  EXPECT_EQ(Item(30, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 5);
  EXPECT_STREQ(text, "alpha");
  EXPECT_EQ(Item(30, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text)), CB_ERR);
  EXPECT_EQ(Item(30, CB_SETCURSEL, 1), 1);
  EXPECT_EQ(Item(30, CB_GETCURSEL), 1);
  EXPECT_EQ(Item(30, CB_SETCURSEL, 3), CB_ERR);
  EXPECT_EQ(Item(30, CB_GETCURSEL), CB_ERR);
  Item(30, CB_SETCURSEL, 0);
  Item(30, CB_RESETCONTENT);
  EXPECT_EQ(Item(30, CB_GETCOUNT), 0);
  EXPECT_EQ(Item(30, CB_GETCURSEL), CB_ERR);
  EXPECT_TRUE(Commands().empty()); // the program's own changes notify nobody
}

TEST_F(DialogEngine, EnterPressesTheDefaultButtonAndEscapeSendsCancel) {
  PlatformDialogPressKey(dialog, VK_ESCAPE);
  ASSERT_EQ(Commands().size(), 1u);
  EXPECT_EQ(LOWORD(Commands()[0].wParam), IDCANCEL);
  EXPECT_EQ(Commands()[0].lParam, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  INT_PTR result = 0;
  EXPECT_FALSE(PlatformDialogEnded(dialog, &result));
  PlatformDialogPressKey(dialog, VK_RETURN);
  EXPECT_TRUE(PlatformDialogEnded(dialog, &result));
  EXPECT_EQ(result, 42);
}

TEST(DialogKeys, EnterWithoutADefaultButtonSendsOk) {
  received.clear();
  HWND dialog = PlatformCreateDialog(MAKEINTRESOURCE(kNoDefaultDialog), Recorder, 0);
  PlatformDialogPressKey(dialog, VK_RETURN);
  ASSERT_EQ(Commands().size(), 1u);
  EXPECT_EQ(Commands()[0].wParam, MAKEWPARAM(IDOK, BN_CLICKED));
  PlatformDeleteDialog(dialog);
}

TEST_F(DialogEngine, CloseThroughTheDefaultProcessingDestroysAndAnswersZero) {
  SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(GetDlgItem(dialog, 30)));
  INT_PTR result = -1;
  EXPECT_TRUE(PlatformDialogEnded(dialog, &result));
  EXPECT_EQ(result, 0);
  int destroys = 0;
  for (const Received &r : received)
    destroys += r.message == WM_DESTROY;
  EXPECT_EQ(destroys, 1);
  EXPECT_FALSE(DestroyWindow(dialog)); // once only
  // The controls still answer the procedure that goes on after closing.
  EXPECT_EQ(Item(30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("late")), 0);
}

TEST_F(DialogEngine, EndDialogEndsWithItsResultAndKeepsTheHandleAlive) {
  EXPECT_TRUE(EndDialog(dialog, 7));
  INT_PTR result = 0;
  EXPECT_TRUE(PlatformDialogEnded(dialog, &result));
  EXPECT_EQ(result, 7);
  EXPECT_TRUE(IsWindow(dialog)); // destroyed only when the modal loop ends
}

TEST_F(DialogEngine, MovingKeepsTheSizeAndControlsFollow) {
  RECT before, after, control;
  GetWindowRect(dialog, &before);
  EXPECT_TRUE(SetWindowPos(dialog, nullptr, 300, 200, 5, 5, SWP_SHOWWINDOW));
  GetWindowRect(dialog, &after);
  EXPECT_EQ(after.left, 300);
  EXPECT_EQ(after.top, 200);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
  GetWindowRect(GetDlgItem(dialog, 10), &control);
  EXPECT_GT(control.left, 300);
  EXPECT_GT(control.top, 200);
  EXPECT_FALSE(SetWindowPos(GetDlgItem(dialog, 10), nullptr, 0, 0, 1, 1, 0));
}

TEST(DialogUnits, ScaleByAQuarterOfTheLetterWidthAndAnEighthOfTheLineHeight) {
  const platform::DialogBaseUnits units = {7, 16};
  const RECT rect = platform::MapDialogUnits(units, 209, 44, 51, 13);
  EXPECT_EQ(rect.left, 366);       // 209 * 7 / 4 = 365.75
  EXPECT_EQ(rect.top, 88);         // 44 * 16 / 8
  EXPECT_EQ(rect.right, 366 + 89); // 51 * 7 / 4 = 89.25
  EXPECT_EQ(rect.bottom, 88 + 26);
}

TEST(DialogUnits, ATenPointFontMeasuresLikeOne) {
  const platform::DialogBaseUnits units = platform::MeasureDialogFont("Verdana", 10, 96.0);
  EXPECT_GE(units.x, 5);
  EXPECT_LE(units.x, 10);
  EXPECT_GE(units.y, 12);
  EXPECT_LE(units.y, 20);
  const platform::DialogBaseUnits larger = platform::MeasureDialogFont("Verdana", 20, 96.0);
  EXPECT_GT(larger.x, units.x);
  EXPECT_GT(larger.y, units.y);
}

TEST(DialogTemplates, AnUnknownTemplateMakesNoDialog) {
  EXPECT_EQ(PlatformCreateDialog(MAKEINTRESOURCE(9999), Recorder, 0), nullptr);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(9999), nullptr, Recorder, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, "named", nullptr, Recorder, 0), -1);
}
