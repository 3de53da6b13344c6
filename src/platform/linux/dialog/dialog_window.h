// SPDX-License-Identifier: MIT
// A dialog built from a template, and its controls. Every control keeps its
// own state (check, list items, selection) here, so a dialog also runs with no
// screen at all; when a GTK view is attached, each change is mirrored into the
// widgets and the viewer's clicks and choices come back through the same
// paths as BM_CLICK and CB_SETCURSEL.
#pragma once
#ifdef _WIN32
#error "This header is the Linux back end's: Windows has its own USER, GDI and kernel"
#endif
#include "common/dialog_units.h"
#include "common/window_object.h"
#include "platform/dialog_template.h"
#include "user/message_box.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkCssProvider GtkCssProvider;

namespace platform {

class DialogWindow;

// One control of a dialog; the handle GetDlgItem returns.
class DialogControl : public HWND__ {
public:
  DialogControl(DialogWindow *owner, const DialogControlTemplate &source, RECT pixels);

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultProcess(UINT, WPARAM, LPARAM) override { return 0; }
  BOOL GetRect(RECT *rect) override;
  BOOL SetPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  BOOL Destroy() override;

  // Makes the GTK widget (not yet placed); NULL for a kind GTK cannot show.
  virtual GtkWidget *BuildWidget() = 0;
  // The widget's height in pixels where it is not the template's (a combo
  // box's template height includes its dropped-down list).
  virtual int ShownHeight() const { return rect.bottom - rect.top; }
  // The viewer (or BM_CLICK) pressed the control.
  virtual void Click() {}
  virtual bool IsPushButton() const { return false; }
  virtual bool IsDefaultButton() const { return false; }

  DialogWindow *const dialog;
  const int id;
  const DWORD style;
  const DWORD exStyle;
  const std::string text;
  RECT rect;                   // GTK's pixels in the dialog's client area
  int group = 0;               // index of the control that opens its WS_GROUP run
  GtkWidget *widget = nullptr; // NULL without a view, or once it is gone

protected:
  virtual LRESULT ControlMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND to the dialog: id in the low word, `code` in the high word.
  void Notify(WORD code);
};

// A modal dialog: the handle its procedure receives.
class DialogWindow : public HWND__ {
public:
  DialogWindow(const DialogTemplate &source, DLGPROC procedure, DialogBaseUnits units);
  ~DialogWindow() override;

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultProcess(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL GetRect(RECT *rect) override;
  BOOL SetPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  BOOL Destroy() override;
  int ShowMessageBox(const char *text, const char *caption, UINT type) override;

  // Builds the GTK window and widgets (hidden); the dialog must not be shown yet.
  void BuildView(DialogWindow *owner);
  void ShowView();
  // Takes the GTK window down; the controls keep their state.
  void DestroyView();
  bool ViewMapped() const;

  DialogControl *FindControl(int id) const;
  // The dialog keys: Enter presses the focused push button or else the default
  // one (WM_COMMAND IDOK without one); Escape sends WM_COMMAND IDCANCEL.
  // `focus` is the control that has the keyboard focus, or NULL.
  bool HandleKey(UINT virtualKey, DialogControl *focus);
  // Runs `change` on the widgets with their notifications held back, so that
  // only the viewer's own actions reach the procedure.
  template <typename Change> void Quietly(Change change) {
    ++quiet;
    change();
    --quiet;
  }
  bool Quiet() const { return quiet > 0; }
  bool Finished() const { return ended || destroyed; }
  void CheckRadioInGroup(DialogControl *radio); // unchecks the others of its group
  void SyncRadioGroup(int group);               // GTK shows the group as the controls hold it

  const DialogTemplate &source;
  DLGPROC procedure;
  DialogBaseUnits units;
  std::vector<std::unique_ptr<DialogControl>> controls; // template order
  // Device pixels per GTK pixel: on a scaled desktop (GDK_SCALE=2) GTK
  // places and sizes windows in pixels of its own, while the screen's modes,
  // the show's windows and Win32's rectangles count the screen's. GetRect
  // and SetPos convert, so that a procedure that centres the dialog on the
  // display mode's size centres it indeed.
  int Scale() const;

  RECT rect;          // outer rectangle, GTK's pixels
  int frame = 1;      // GTK's pixels of border around the client area
  bool ended = false; // EndDialog was called
  INT_PTR result = 0; // EndDialog's result
  GtkWidget *window = nullptr;
  GtkCssProvider *css = nullptr;
  // GTK keeps one radio button of a group on; where the controls have none
  // checked, this hidden member of the group is the one on. Indexed like
  // `controls` (by the group's first control), NULL where no radio is.
  std::vector<GtkWidget *> radioNone;

private:
  int quiet = 0;
};

} // namespace platform
