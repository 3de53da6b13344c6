// SPDX-License-Identifier: MIT
// Modal dialogs in the browser, built from the registered templates: each
// control keeps its state here and mirrors it into the page's element
// (dialog_page.js); the viewer's clicks, choices and keys come back as the
// notifications Win32 sends, and DialogBoxParamA waits for them.
#include "user/layer.h"

#include "common/dialog_templates.h"
#include "common/dialog_units.h"
#include "platform/user.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

extern "C" {
void zarvox_dialog_measure_font(const char *family, int pixels, int *x, int *y);
void zarvox_dialog_open(const char *title, const char *family, int pixels, int width, int height);
void zarvox_dialog_control(int kind, int id, const char *text, int left, int top, int width, int height, int isDefault);
void zarvox_dialog_add_item(int id, const char *text);
void zarvox_dialog_set_selection(int id, int index);
void zarvox_dialog_set_check(int id, int on);
void zarvox_dialog_move(int left, int top, int shown);
int zarvox_dialog_next_event(int *id, int *value);
void zarvox_dialog_close(void);
}

namespace {

enum Kind { kPushButton = 1, kRadio, kCheckBox, kGroupBox, kText, kList };

Kind KindOf(const DialogControlTemplate &source) {
  const std::string name = source.className;
  if (name == "combobox")
    return kList;
  if (name != "button")
    return kText;
  switch (source.style & 0xF) {
  case BS_GROUPBOX:
    return kGroupBox;
  case BS_RADIOBUTTON:
  case BS_AUTORADIOBUTTON:
    return kRadio;
  case BS_CHECKBOX:
  case BS_AUTOCHECKBOX:
    return kCheckBox;
  default:
    return kPushButton;
  }
}

// A dialog font's size in CSS pixels: points at the web's 96 per inch.
int PixelsOf(int points) {
  return (points * 96 + 36) / 72;
}

class Dialog;

class Control : public HWND__ {
public:
  Control(Dialog *dialog, const DialogControlTemplate &source, Kind kind, int group)
      : dialog(dialog), id(source.id), kind(kind), group(group), style(source.style) {}
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultProcess(UINT, WPARAM, LPARAM) override { return 0; }
  BOOL GetRect(RECT *rect) override {
    *rect = this->rect;
    return TRUE;
  }
  BOOL SetPos(HWND, int, int, int, int, UINT) override { return TRUE; }
  BOOL Destroy() override {
    destroyed = true;
    return TRUE;
  }
  void Click();

  Dialog *const dialog;
  const int id;
  const Kind kind;
  const int group; // index of the control opening its WS_GROUP run
  const DWORD style;
  RECT rect = {};
  bool checked = false;
  std::vector<std::string> items;
  int selection = -1;
};

class Dialog : public HWND__ {
public:
  Dialog(const DialogTemplate &source, DLGPROC procedure) : source(source), procedure(procedure) {}
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override {
    return procedure != nullptr ? procedure(this, message, wParam, lParam) : 0;
  }
  LRESULT DefaultProcess(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
      Send(WM_CLOSE, 0, 0);
    else if (message == WM_CLOSE)
      DestroyWindow(this);
    return 0;
  }
  BOOL GetRect(RECT *out) override {
    *out = rect;
    return TRUE;
  }
  BOOL SetPos(HWND, int x, int y, int, int, UINT flags) override {
    if (!(flags & SWP_NOMOVE))
      rect = {x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
    zarvox_dialog_move(rect.left, rect.top, (flags & SWP_SHOWWINDOW) != 0);
    return TRUE;
  }
  BOOL Destroy() override {
    if (destroyed)
      return FALSE;
    destroyed = true;
    Send(WM_DESTROY, 0, 0);
    for (auto &control : controls)
      control->Destroy();
    zarvox_dialog_close();
    Send(WM_NCDESTROY, 0, 0);
    return TRUE;
  }
  Control *Find(int id) const {
    for (auto &control : controls)
      if (control->id == id && id != -1)
        return control.get();
    return nullptr;
  }
  bool Finished() const { return ended || destroyed; }

  const DialogTemplate &source;
  DLGPROC procedure;
  std::vector<std::unique_ptr<Control>> controls;
  RECT rect = {};
  bool ended = false;
  INT_PTR result = 0;
};

void Control::Click() {
  if (kind == kRadio && (style & 0xF) == BS_AUTORADIOBUTTON) {
    for (auto &other : dialog->controls)
      if (other->kind == kRadio && other->group == group && other.get() != this && other->checked) {
        other->checked = false;
        zarvox_dialog_set_check(other->id, 0);
      }
    checked = true;
    zarvox_dialog_set_check(id, 1);
  } else if (kind == kCheckBox && (style & 0xF) == BS_AUTOCHECKBOX) {
    checked = !checked;
    zarvox_dialog_set_check(id, checked);
  }
  dialog->Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(this));
}

LRESULT Control::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case BM_SETCHECK:
    if (kind == kRadio || kind == kCheckBox) {
      checked = wParam == BST_CHECKED;
      zarvox_dialog_set_check(id, checked);
    }
    return 0;
  case BM_GETCHECK:
    return checked ? BST_CHECKED : BST_UNCHECKED;
  case BM_CLICK:
    Click();
    return 0;
  case CB_ADDSTRING:
    if (kind != kList || lParam == 0)
      return CB_ERR;
    items.emplace_back(reinterpret_cast<const char *>(lParam));
    zarvox_dialog_add_item(id, items.back().c_str());
    return LRESULT(items.size() - 1);
  case CB_GETCOUNT:
    return kind == kList ? LRESULT(items.size()) : CB_ERR;
  case CB_GETCURSEL:
    return kind == kList ? selection : CB_ERR;
  case CB_SETCURSEL:
    if (kind != kList)
      return CB_ERR;
    selection = wParam < items.size() ? int(wParam) : -1;
    zarvox_dialog_set_selection(id, selection);
    return selection < 0 ? CB_ERR : selection;
  default:
    return 0;
  }
}

Dialog *AsDialog(HWND window) {
  return platform::IsLiveWindow(window) ? dynamic_cast<Dialog *>(window) : nullptr;
}

// Enter presses the default push button (IDOK without one); Escape is IDCANCEL.
void PressKey(Dialog *dialog, bool enter) {
  if (!enter) {
    dialog->Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(dialog->Find(IDCANCEL)));
    return;
  }
  for (auto &control : dialog->controls)
    if (control->kind == kPushButton && (control->style & 0xF) == BS_DEFPUSHBUTTON) {
      control->Click();
      return;
    }
  dialog->Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

} // namespace

namespace platform {

DialogBaseUnits MeasureDialogFont(const char *family, int pointSize, double dpi) {
  DialogBaseUnits units = {8, 16};
  zarvox_dialog_measure_font(family != nullptr ? family : "sans-serif", int(pointSize * dpi / 72 + 0.5), &units.x,
                             &units.y);
  if (units.x <= 0 || units.y <= 0)
    units = {8, 16};
  return units;
}

} // namespace platform

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC procedure, LPARAM initParam) {
  const DialogTemplate *source = IS_INTRESOURCE(templateName)
                                     ? platform::FindDialogTemplate(int(reinterpret_cast<uintptr_t>(templateName)))
                                     : nullptr;
  if (source == nullptr || procedure == nullptr) {
    std::fprintf(stderr, "DialogBoxParamA: no dialog template %d\n",
                 int(reinterpret_cast<uintptr_t>(templateName) & 0xffff));
    return -1;
  }
  const int pixels = PixelsOf(source->pointSize);
  const platform::DialogBaseUnits units = platform::MeasureDialogFont(source->fontName, source->pointSize, 96);
  auto dialog = std::make_unique<Dialog>(*source, procedure);
  const RECT size = platform::MapDialogUnits(units, 0, 0, source->cx, source->cy);
  dialog->rect = size;
  zarvox_dialog_open(source->title, source->fontName, pixels, size.right, size.bottom);
  int group = 0;
  for (int i = 0; i < source->controlCount; ++i) {
    const DialogControlTemplate &control = source->controls[i];
    if (i == 0 || (control.style & WS_GROUP))
      group = i;
    const Kind kind = KindOf(control);
    auto made = std::make_unique<Control>(dialog.get(), control, kind, group);
    made->rect = platform::MapDialogUnits(units, control.x, control.y, control.cx, control.cy);
    zarvox_dialog_control(kind, control.id, control.text != nullptr ? control.text : "", made->rect.left,
                          made->rect.top, made->rect.right - made->rect.left, made->rect.bottom - made->rect.top,
                          kind == kPushButton && (control.style & 0xF) == BS_DEFPUSHBUTTON);
    dialog->controls.push_back(std::move(made));
  }
  dialog->Send(WM_INITDIALOG, 0, initParam);
  if (!dialog->Finished())
    zarvox_dialog_move(dialog->rect.left, dialog->rect.top, 1);
  while (!dialog->Finished()) {
    int id = 0, value = 0;
    const int event = zarvox_dialog_next_event(&id, &value);
    switch (event) {
    case 1: // Enter
    case 2: // Escape
      PressKey(dialog.get(), event == 1);
      break;
    case 3: // a click on a button
      if (Control *control = dialog->Find(id); control != nullptr && control->kind != kGroupBox)
        control->Click();
      break;
    case 4: // an entry chosen in a list
      if (Control *control = dialog->Find(id); control != nullptr && control->kind == kList) {
        control->selection = value;
        dialog->Send(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
      }
      break;
    default:
      break;
    }
  }
  const INT_PTR result = dialog->ended ? dialog->result : 0;
  DestroyWindow(dialog.get());
  if (result == 1)
    platform::AfterGesture();
  return result;
}

BOOL EndDialog(HWND handle, INT_PTR result) {
  Dialog *dialog = AsDialog(handle);
  if (dialog == nullptr)
    return FALSE;
  dialog->ended = true;
  dialog->result = result;
  return TRUE;
}

HWND GetDlgItem(HWND handle, int id) {
  Dialog *dialog = AsDialog(handle);
  return dialog != nullptr ? dialog->Find(id) : nullptr;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? control->Send(message, wParam, lParam) : 0;
}
