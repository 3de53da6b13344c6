// SPDX-License-Identifier: MIT
// The modal dialog calls: templates by resource id, DialogBoxParamA's modal
// loop over GTK, EndDialog, GetDlgItem, SendDlgItemMessageA, and the hooks
// that let tests drive a dialog with or without a screen.
#include "common/dialog_templates.h"
#include "dialog/dialog_window.h"

#include "platform/tap_linux.h"
#include "platform/user.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

PlatformDialogHook dialogHook = nullptr;
void *dialogHookUser = nullptr;

// Only numeric resource ids exist here (MAKEINTRESOURCE).
const DialogTemplate *FindTemplate(LPCSTR name) {
  if (!IS_INTRESOURCE(name))
    return nullptr;
  return platform::FindDialogTemplate(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
}

platform::DialogWindow *AsDialog(HWND window) {
  return platform::IsLiveWindow(window) ? dynamic_cast<platform::DialogWindow *>(window) : nullptr;
}

double ScreenDpi() {
  const double dpi = gdk_screen_get_resolution(gdk_screen_get_default());
  return dpi > 0 ? dpi : 96.0;
}

} // namespace

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam) {
  const DialogTemplate *source = FindTemplate(templateName);
  if (source == nullptr || procedure == nullptr) {
    std::fprintf(stderr, "DialogBoxParamA: no dialog template %d\n",
                 static_cast<int>(reinterpret_cast<uintptr_t>(templateName) & 0xffff));
    return -1;
  }
  if (!platform::OpenGtk()) {
    std::fprintf(stderr, "DialogBoxParamA: cannot show a dialog: no display (is DISPLAY set?)\n");
    return -1;
  }
  auto dialog = std::make_unique<platform::DialogWindow>(
      *source, procedure, platform::MeasureDialogFont(source->fontName, source->pointSize, ScreenDpi()));
  dialog->BuildView(AsDialog(owner));
  dialog->Send(WM_INITDIALOG, 0, initParam);
  // A modal dialog is shown once it is set up, whether or not the procedure
  // showed it already.
  if (!dialog->Finished())
    dialog->ShowView();

  while (!dialog->Finished()) {
    if (dialogHook == nullptr) {
      gtk_main_iteration_do(TRUE);
      continue;
    }
    gtk_main_iteration_do(FALSE);
    if (!dialog->Finished() && dialog->ViewMapped() && !gtk_events_pending())
      dialogHook(dialogHookUser, dialog.get());
  }
  // A dialog destroyed without EndDialog (WM_CLOSE) answers 0: nothing was chosen.
  const INT_PTR result = dialog->ended ? dialog->result : 0;
  DestroyWindow(dialog.get());
  while (gtk_events_pending())
    gtk_main_iteration_do(FALSE);
  return result;
}

BOOL EndDialog(HWND dialogHandle, INT_PTR result) {
  platform::DialogWindow *dialog = AsDialog(dialogHandle);
  if (dialog == nullptr)
    return FALSE;
  dialog->ended = true;
  dialog->result = result;
  if (dialog->window != nullptr)
    gtk_widget_hide(dialog->window); // it goes at once; the loop destroys it
  return TRUE;
}

HWND GetDlgItem(HWND dialogHandle, int id) {
  platform::DialogWindow *dialog = AsDialog(dialogHandle);
  return dialog != nullptr ? dialog->FindControl(id) : nullptr;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

// ---- hooks for tests --------------------------------------------------------------
HWND PlatformCreateDialog(LPCSTR templateName, DLGPROC procedure, LPARAM initParam) {
  const DialogTemplate *source = FindTemplate(templateName);
  if (source == nullptr)
    return nullptr;
  auto *dialog = new platform::DialogWindow(*source, procedure,
                                            platform::MeasureDialogFont(source->fontName, source->pointSize, 96.0));
  dialog->Send(WM_INITDIALOG, 0, initParam);
  return dialog;
}

BOOL PlatformDialogEnded(HWND dialogHandle, INT_PTR *result) {
  platform::DialogWindow *dialog = AsDialog(dialogHandle);
  if (dialog == nullptr || !dialog->Finished())
    return FALSE;
  if (result != nullptr)
    *result = dialog->ended ? dialog->result : 0;
  return TRUE;
}

void PlatformDeleteDialog(HWND dialogHandle) {
  platform::DialogWindow *dialog = AsDialog(dialogHandle);
  if (dialog == nullptr)
    return;
  DestroyWindow(dialog);
  delete dialog;
}

void PlatformSetDialogHook(PlatformDialogHook hook, void *user) {
  dialogHook = hook;
  dialogHookUser = user;
}

BOOL PlatformDialogPressKey(HWND dialogHandle, UINT virtualKey) {
  platform::DialogWindow *dialog = AsDialog(dialogHandle);
  if (dialog == nullptr || dialog->Finished())
    return FALSE;
  if (dialog->window == nullptr)
    return dialog->HandleKey(virtualKey, nullptr) ? TRUE : FALSE;
  // Through GTK's own event path, as if typed on the keyboard.
  const guint keyval = virtualKey == VK_RETURN ? GDK_KEY_Return : virtualKey == VK_ESCAPE ? GDK_KEY_Escape : 0;
  GdkWindow *target = gtk_widget_get_window(dialog->window);
  if (keyval == 0 || target == nullptr)
    return FALSE;
  GdkDisplay *display = gdk_window_get_display(target);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent *event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(target));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkKeymapKey *keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count) && count > 0)
      event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  return TRUE;
}
