// SPDX-License-Identifier: MIT
// Dialogs and their controls: the state behind each handle, the messages
// controls answer, and the GTK widgets that show them.
#include "dialog/dialog_window.h"

#include "platform/user.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace platform {

namespace {

// "&Start" -> "_Start": the marked letter becomes GTK's mnemonic; "&&" is a
// plain ampersand and a literal underscore is doubled.
std::string Mnemonic(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    } else if (text[i] == '&') {
      out += '_';
    } else if (text[i] == '_') {
      out += "__";
    } else {
      out += text[i];
    }
  }
  return out;
}

// ---- buttons: push buttons, radio buttons, check boxes, group boxes ---------
class Button : public DialogControl {
public:
  Button(DialogWindow *owner, const DialogControlTemplate &source, RECT pixels)
      : DialogControl(owner, source, pixels), type(source.style & BS_TYPEMASK) {}

  bool IsPushButton() const override { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON; }
  bool IsDefaultButton() const override { return type == BS_DEFPUSHBUTTON; }
  bool IsRadio() const { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
  bool IsCheckBox() const { return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX; }
  bool IsGroupBox() const { return type == BS_GROUPBOX; }

  GtkWidget *BuildWidget() override {
    const std::string label = ToUtf8(Mnemonic(text).c_str());
    GtkWidget *made = nullptr;
    if (IsGroupBox()) {
      made = gtk_frame_new(nullptr);
      GtkWidget *caption = gtk_label_new(nullptr);
      gtk_label_set_text_with_mnemonic(GTK_LABEL(caption), label.c_str());
      gtk_frame_set_label_widget(GTK_FRAME(made), caption);
      gtk_frame_set_label_align(GTK_FRAME(made), (exStyle & WS_EX_RIGHT) ? 0.96f : 0.04f, 0.5f);
      gtk_frame_set_shadow_type(GTK_FRAME(made), GTK_SHADOW_ETCHED_IN);
      return made;
    }
    if (IsRadio()) {
      made = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(dialog->radioNone[group]), label.c_str());
    } else if (IsCheckBox()) {
      made = gtk_check_button_new_with_mnemonic(label.c_str());
    } else {
      made = gtk_button_new_with_mnemonic(label.c_str());
      if (IsDefaultButton()) {
        gtk_widget_set_can_default(made, TRUE);
        gtk_style_context_add_class(gtk_widget_get_style_context(made), "suggested-action");
      }
    }
    // GTK also emits "clicked" on the radio button it turns off; Win32
    // notifies only the one the viewer clicked.
    g_signal_connect(made, "clicked", G_CALLBACK(+[](GtkButton *widget, gpointer self) {
                       auto *button = static_cast<Button *>(self);
                       const bool turnedOff =
                           button->IsRadio() && !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget));
                       if (!button->dialog->Quiet() && !turnedOff)
                         button->Click();
                     }),
                     this);
    return made;
  }

  void Click() override {
    if (IsGroupBox())
      return;
    if (type == BS_AUTORADIOBUTTON) {
      checked = true;
      dialog->CheckRadioInGroup(this);
    } else if (type == BS_AUTOCHECKBOX) {
      checked = !checked;
    }
    ShowCheck(); // a plain radio button or check box changes only when told
    Notify(BN_CLICKED);
  }

  void ShowCheck() {
    if (IsRadio())
      dialog->SyncRadioGroup(group);
    else if (IsCheckBox() && widget != nullptr)
      dialog->Quietly([&] { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), checked); });
  }

  bool checked = false;

protected:
  LRESULT ControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
    case BM_GETCHECK:
      return checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      if (!IsRadio() && !IsCheckBox())
        return 0;
      checked = wParam == BST_CHECKED;
      // GTK shows at most one checked radio button per group, so checking
      // one here unchecks the others, as a click would.
      if (checked && IsRadio())
        dialog->CheckRadioInGroup(this);
      ShowCheck();
      return 0;
    case BM_CLICK:
      if (widget != nullptr && !IsGroupBox())
        gtk_button_clicked(GTK_BUTTON(widget)); // the clicked handler calls Click
      else
        Click();
      return 0;
    default:
      return DialogControl::ControlMessage(message, wParam, lParam);
    }
  }

private:
  const DWORD type;
};

// ---- static text --------------------------------------------------------------
class StaticText : public DialogControl {
public:
  using DialogControl::DialogControl;

  GtkWidget *BuildWidget() override {
    GtkWidget *label = gtk_label_new(nullptr);
    gtk_label_set_text_with_mnemonic(GTK_LABEL(label), ToUtf8(Mnemonic(text).c_str()).c_str());
    const DWORD align = style & 3;
    gtk_label_set_xalign(GTK_LABEL(label), align == SS_CENTER ? 0.5f : align == SS_RIGHT ? 1.0f : 0.0f);
    gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    return label;
  }
};

// ---- combo boxes: drop-down lists of the items added ------------------------
class ComboBox : public DialogControl {
public:
  using DialogControl::DialogControl;

  // The selection field: one line of text with the frame around it; the rest
  // of the template's height is for the list when it drops down.
  int ShownHeight() const override { return std::min<int>(rect.bottom - rect.top, dialog->units.y + 10); }

  GtkWidget *BuildWidget() override {
    GtkWidget *combo = gtk_combo_box_text_new();
    for (const std::string &item : items)
      gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), ToUtf8(item.c_str()).c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selection);
    g_signal_connect(combo, "changed", G_CALLBACK(+[](GtkComboBox *box, gpointer self) {
                       auto *control = static_cast<ComboBox *>(self);
                       if (control->dialog->Quiet())
                         return;
                       control->selection = gtk_combo_box_get_active(box);
                       control->Notify(CBN_SELCHANGE);
                     }),
                     this);
    return combo;
  }

protected:
  LRESULT ControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    const int count = static_cast<int>(items.size());
    switch (message) {
    case CB_ADDSTRING: {
      const char *item = reinterpret_cast<const char *>(lParam);
      items.push_back(item != nullptr ? item : "");
      if (widget != nullptr)
        dialog->Quietly([&] { gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget), ToUtf8(item).c_str()); });
      return count;
    }
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return selection;
    case CB_SETCURSEL: {
      const int wanted = static_cast<int>(static_cast<intptr_t>(wParam));
      selection = wanted >= 0 && wanted < count ? wanted : CB_ERR;
      if (widget != nullptr)
        dialog->Quietly([&] { gtk_combo_box_set_active(GTK_COMBO_BOX(widget), selection); });
      return selection;
    }
    case CB_GETLBTEXT: {
      const int index = static_cast<int>(static_cast<intptr_t>(wParam));
      char *buffer = reinterpret_cast<char *>(lParam);
      if (index < 0 || index >= count || buffer == nullptr)
        return CB_ERR;
      std::memcpy(buffer, items[index].c_str(), items[index].size() + 1);
      return static_cast<LRESULT>(items[index].size());
    }
    case CB_RESETCONTENT:
      items.clear();
      selection = CB_ERR;
      if (widget != nullptr)
        dialog->Quietly([&] { gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(widget)); });
      return 0;
    default:
      return DialogControl::ControlMessage(message, wParam, lParam);
    }
  }

private:
  std::vector<std::string> items;
  int selection = CB_ERR; // index into items, CB_ERR for none
};

// Every kind of control GTK cannot show stays an empty label.
DialogControl *MakeControl(DialogWindow *owner, const DialogControlTemplate &source, RECT pixels) {
  const char *kind = source.className != nullptr ? source.className : "";
  if (strcasecmp(kind, "button") == 0)
    return new Button(owner, source, pixels);
  if (strcasecmp(kind, "combobox") == 0)
    return new ComboBox(owner, source, pixels);
  return new StaticText(owner, source, pixels);
}

Button *AsRadio(DialogControl *control) {
  auto *button = dynamic_cast<Button *>(control);
  return button != nullptr && button->IsRadio() ? button : nullptr;
}

bool IsGroupBox(const DialogControl *control) {
  auto *button = dynamic_cast<const Button *>(control);
  return button != nullptr && button->IsGroupBox();
}

// Keeps the template's layout whatever the desktop's theme: widgets give up
// the theme's minimum sizes and padding so each fits the rectangle its
// template gives it, in the template's font.
std::string DialogCss(const DialogTemplate &source) {
  const std::string family = source.fontName != nullptr && *source.fontName != '\0' ? source.fontName : "Sans";
  const int points = source.pointSize > 0 ? source.pointSize : 10;
  return "window.zarvox-dialog, window.zarvox-dialog * { font-family: \"" + family +
         "\"; font-size: " + std::to_string(points) +
         "pt; }\n"
         "window.zarvox-dialog button { min-height: 0; min-width: 0; padding: 0 6px; }\n"
         "window.zarvox-dialog combobox button { padding: 0 4px 0 6px; }\n"
         "window.zarvox-dialog combobox arrow { min-width: 12px; min-height: 12px; }\n"
         "window.zarvox-dialog radiobutton, window.zarvox-dialog checkbutton { min-height: 0; padding: 0; }\n"
         "window.zarvox-dialog radiobutton radio, window.zarvox-dialog checkbutton check { "
         "min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }\n"
         "window.zarvox-dialog frame > label { margin: 0 3px; }\n"
         "window.zarvox-dialog frame.zarvox-dialog-edge > border { border-radius: 0; }\n";
}

// Win32's key for the GDK key, or 0 for keys the dialog leaves to GTK.
UINT VirtualKey(guint keyval) {
  switch (keyval) {
  case GDK_KEY_Return:
  case GDK_KEY_KP_Enter:
  case GDK_KEY_ISO_Enter:
    return VK_RETURN;
  case GDK_KEY_Escape:
    return VK_ESCAPE;
  default:
    return 0;
  }
}

} // namespace

// ---- DialogControl -------------------------------------------------------------
DialogControl::DialogControl(DialogWindow *owner, const DialogControlTemplate &source, RECT pixels)
    : dialog(owner), id(source.id), style(source.style), exStyle(source.exStyle),
      text(source.text != nullptr ? source.text : ""), rect(pixels) {}

// A control answers its own messages even after its dialog is destroyed, until
// DialogBoxParamA returns: a procedure that goes on after closing its dialog
// does no harm.
LRESULT DialogControl::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlMessage(message, wParam, lParam);
}

LRESULT DialogControl::ControlMessage(UINT, WPARAM, LPARAM) {
  return 0;
}

void DialogControl::Notify(WORD code) {
  dialog->Send(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(static_cast<HWND>(this)));
}

BOOL DialogControl::GetRect(RECT *out) {
  RECT dialogRect;
  dialog->GetRect(&dialogRect);
  RECT shown = rect;
  shown.bottom = shown.top + ShownHeight();
  if (widget != nullptr && gtk_widget_get_realized(widget)) {
    // Where GTK really put it, which the layout tests hold to the template.
    GtkAllocation allocation;
    gtk_widget_get_allocation(widget, &allocation);
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(widget, gtk_widget_get_toplevel(widget), 0, 0, &x, &y);
    shown = {x - dialog->frame, y - dialog->frame, x - dialog->frame + allocation.width,
             y - dialog->frame + allocation.height};
  }
  const int scale = dialog->Scale();
  const LONG left = dialogRect.left + dialog->frame * scale, top = dialogRect.top + dialog->frame * scale;
  *out = {left + shown.left * scale, top + shown.top * scale, left + shown.right * scale, top + shown.bottom * scale};
  return TRUE;
}

// Controls stay where their template puts them.
BOOL DialogControl::SetPos(HWND, int, int, int, int, UINT) {
  return FALSE;
}

BOOL DialogControl::Destroy() {
  destroyed = true;
  return TRUE;
}

// ---- DialogWindow --------------------------------------------------------------
DialogWindow::DialogWindow(const DialogTemplate &source, DLGPROC procedure, DialogBaseUnits units)
    : source(source), procedure(procedure), units(units) {
  const RECT client = MapDialogUnits(units, 0, 0, source.cx, source.cy);
  const RECT place = MapDialogUnits(units, source.x, source.y, 0, 0);
  rect = {place.left, place.top, place.left + client.right + 2 * frame, place.top + client.bottom + 2 * frame};
  int group = 0;
  for (int i = 0; i < source.controlCount; ++i) {
    const DialogControlTemplate &item = source.controls[i];
    if (i == 0 || (item.style & WS_GROUP))
      group = i;
    DialogControl *control = MakeControl(this, item, MapDialogUnits(units, item.x, item.y, item.cx, item.cy));
    control->group = group;
    controls.emplace_back(control);
  }
  radioNone.assign(controls.size(), nullptr);
}

DialogWindow::~DialogWindow() {
  DestroyView();
}

LRESULT DialogWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure != nullptr ? procedure(this, message, wParam, lParam) : 0;
}

LRESULT DialogWindow::DefaultProcess(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == SC_CLOSE)
      Send(WM_CLOSE, 0, 0);
    return 0;
  case WM_CLOSE:
    DestroyWindow(this);
    return 0;
  default:
    return 0;
  }
}

int DialogWindow::Scale() const {
  return window != nullptr ? std::max(1, gtk_widget_get_scale_factor(window)) : 1;
}

BOOL DialogWindow::GetRect(RECT *out) {
  const int scale = Scale();
  *out = {rect.left * scale, rect.top * scale, rect.right * scale, rect.bottom * scale};
  return TRUE;
}

// Moves, shows and hides the dialog. Its size stays the one its template gives.
BOOL DialogWindow::SetPos(HWND, int x, int y, int, int, UINT flags) {
  if (!(flags & SWP_NOMOVE)) {
    const int scale = Scale();
    const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    rect = {x / scale, y / scale, x / scale + width, y / scale + height};
    if (window != nullptr)
      gtk_window_move(GTK_WINDOW(window), rect.left, rect.top);
  }
  if ((flags & SWP_SHOWWINDOW) && window != nullptr)
    ShowView();
  if ((flags & SWP_HIDEWINDOW) && window != nullptr)
    gtk_widget_hide(window);
  return TRUE;
}

BOOL DialogWindow::Destroy() {
  if (destroyed)
    return FALSE;
  destroyed = true; // first, so that a DestroyWindow from WM_DESTROY is refused
  Send(WM_DESTROY, 0, 0);
  for (auto &control : controls)
    control->Destroy();
  DestroyView();
  Send(WM_NCDESTROY, 0, 0);
  return TRUE;
}

int DialogWindow::ShowMessageBox(const char *text, const char *caption, UINT type) {
  return platform::ShowMessageBox(window, text, caption, type);
}

void DialogWindow::BuildView(DialogWindow *owner) {
  window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow *shell = GTK_WINDOW(window);
  // The title shows only in task lists (the template may ask for no caption
  // bar); an untitled dialog goes by the program's name there.
  const char *title = source.title != nullptr && *source.title != '\0' ? source.title : g_get_prgname();
  gtk_window_set_title(shell, ToUtf8(title).c_str());
  gtk_window_set_decorated(shell, (source.style & WS_CAPTION) == WS_CAPTION);
  gtk_window_set_resizable(shell, FALSE);
  gtk_window_set_type_hint(shell, GDK_WINDOW_TYPE_HINT_DIALOG);
  if (owner != nullptr && owner->window != nullptr) {
    gtk_window_set_transient_for(shell, GTK_WINDOW(owner->window));
    gtk_window_set_modal(shell, TRUE);
  }
  gtk_window_move(shell, rect.left, rect.top);
  gtk_style_context_add_class(gtk_widget_get_style_context(window), "zarvox-dialog");

  css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, DialogCss(source).c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  // The modal frame: a one-pixel edge in the theme's border colour.
  GtkWidget *edge = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(edge), GTK_SHADOW_OUT);
  gtk_style_context_add_class(gtk_widget_get_style_context(edge), "zarvox-dialog-edge");
  gtk_container_add(GTK_CONTAINER(window), edge);
  GtkWidget *canvas = gtk_fixed_new();
  const RECT client = MapDialogUnits(units, 0, 0, source.cx, source.cy);
  gtk_widget_set_size_request(canvas, client.right, client.bottom);
  gtk_container_add(GTK_CONTAINER(edge), canvas);

  for (size_t i = 0; i < controls.size(); ++i)
    if (AsRadio(controls[i].get()) != nullptr && radioNone[controls[i]->group] == nullptr)
      radioNone[controls[i]->group] = GTK_WIDGET(g_object_ref_sink(gtk_radio_button_new(nullptr)));

  // Group boxes go in first so that they lie under the controls they frame.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto &control : controls) {
      if (IsGroupBox(control.get()) != (pass == 0))
        continue;
      GtkWidget *made = control->BuildWidget();
      if (made == nullptr)
        continue;
      control->widget = made;
      gtk_widget_set_size_request(made, control->rect.right - control->rect.left, control->ShownHeight());
      gtk_fixed_put(GTK_FIXED(canvas), made, control->rect.left, control->rect.top);
      if (control->IsDefaultButton())
        gtk_window_set_default(shell, made);
    }
  }
  for (auto &control : controls)
    if (AsRadio(control.get()) != nullptr)
      SyncRadioGroup(control->group);

  g_signal_connect(window, "delete-event", G_CALLBACK(+[](GtkWidget *, GdkEvent *, gpointer self) -> gboolean {
                     // The window manager's close: what the system menu's Close does.
                     static_cast<DialogWindow *>(self)->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
                     return TRUE;
                   }),
                   this);
  g_signal_connect(window, "key-press-event",
                   G_CALLBACK(+[](GtkWidget *shell, GdkEventKey *event, gpointer self) -> gboolean {
                     auto *dialog = static_cast<DialogWindow *>(self);
                     const UINT key = VirtualKey(event->keyval);
                     if (key == 0)
                       return FALSE;
                     GtkWidget *focused = gtk_window_get_focus(GTK_WINDOW(shell));
                     DialogControl *focus = nullptr;
                     for (auto &control : dialog->controls)
                       if (focused != nullptr && control->widget != nullptr &&
                           (focused == control->widget || gtk_widget_is_ancestor(focused, control->widget)))
                         focus = control.get();
                     // A focused push button takes Enter itself, and shows being pressed.
                     if (key == VK_RETURN && focus != nullptr && focus->IsPushButton())
                       return FALSE;
                     return dialog->HandleKey(key, focus) ? TRUE : FALSE;
                   }),
                   this);

  // GetWindowRect tells the size the window really has with this theme.
  GtkRequisition size;
  gtk_widget_show_all(edge);
  gtk_widget_get_preferred_size(window, &size, nullptr);
  frame = std::max(0, (size.width - client.right) / 2);
  rect.right = rect.left + size.width;
  rect.bottom = rect.top + size.height;
}

void DialogWindow::ShowView() {
  if (window == nullptr || gtk_widget_get_visible(window))
    return;
  gtk_widget_show(window);
  // The procedure chose no focus: nothing has it until the viewer clicks or
  // presses Tab, and Enter goes to the default button.
  gtk_window_set_focus(GTK_WINDOW(window), nullptr);
  gtk_window_present(GTK_WINDOW(window));
}

bool DialogWindow::ViewMapped() const {
  return window != nullptr && gtk_widget_get_mapped(window);
}

void DialogWindow::DestroyView() {
  if (window == nullptr)
    return;
  for (auto &control : controls)
    control->widget = nullptr;
  GtkWidget *gone = window;
  window = nullptr;
  gtk_widget_destroy(gone);
  for (GtkWidget *&none : radioNone) {
    if (none != nullptr) {
      gtk_widget_destroy(none);
      g_object_unref(none);
      none = nullptr;
    }
  }
  if (css != nullptr) {
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css));
    g_object_unref(css);
    css = nullptr;
  }
  // Let the server take the window down now, before anything else opens.
  GdkDisplay *display = gdk_display_get_default();
  if (display != nullptr)
    gdk_display_sync(display);
}

DialogControl *DialogWindow::FindControl(int wanted) const {
  for (auto &control : controls)
    if (control->id == wanted)
      return control.get();
  return nullptr;
}

bool DialogWindow::HandleKey(UINT virtualKey, DialogControl *focus) {
  if (virtualKey == VK_RETURN) {
    DialogControl *target = focus != nullptr && focus->IsPushButton() ? focus : nullptr;
    for (auto &control : controls)
      if (target == nullptr && control->IsDefaultButton())
        target = control.get();
    if (target != nullptr)
      target->Click();
    else
      Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  }
  if (virtualKey == VK_ESCAPE) {
    Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(this, IDCANCEL)));
    return true;
  }
  return false;
}

void DialogWindow::CheckRadioInGroup(DialogControl *radio) {
  for (auto &control : controls)
    if (Button *other = AsRadio(control.get()); other != nullptr && other != radio && other->group == radio->group)
      other->checked = false;
}

void DialogWindow::SyncRadioGroup(int group) {
  if (window == nullptr || group < 0 || group >= static_cast<int>(radioNone.size()) || radioNone[group] == nullptr)
    return;
  Quietly([&] {
    GtkWidget *on = radioNone[group];
    for (auto &control : controls)
      if (Button *radio = AsRadio(control.get());
          radio != nullptr && radio->group == group && radio->checked && radio->widget != nullptr)
        on = radio->widget;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(on), TRUE);
  });
}

} // namespace platform
