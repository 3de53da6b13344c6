// SPDX-License-Identifier: MIT
// MessageBoxA's box, drawn by GTK for every owner: GTK draws its text with
// the fonts fontconfig finds, so the box appears on any X server or Wayland
// desktop GTK can open, core fonts or not.
#include "user/message_box.h"

#include "user/layer.h"

#include <SDL.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

bool OpenGtk() {
  static int state = 0; // 0 not tried, 1 open, -1 failed
  if (state == 0) {
    gtk_disable_setlocale();
    // Boxes and the dialog go where the show's window goes: GTK on its own
    // would pick Wayland, SDL whatever the layer asked it for.
    const char *driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    const char *asked = std::getenv("GDK_BACKEND");
    if ((asked == nullptr || asked[0] == '\0') && driver != nullptr &&
        (std::strcmp(driver, "wayland") == 0 || std::strcmp(driver, "x11") == 0))
      gdk_set_allowed_backends(driver);
    state = gtk_init_check(nullptr, nullptr) ? 1 : -1;
    WatchDisplayConnection(); // GTK's own handler would end the program without a word
  }
  return state > 0;
}

std::string ToUtf8(const char *text) {
  if (text == nullptr)
    return std::string();
  if (g_utf8_validate(text, -1, nullptr))
    return text;
  gchar *converted = g_convert(text, -1, "UTF-8", "ISO-8859-1", nullptr, nullptr, nullptr);
  std::string result = converted != nullptr ? converted : "";
  g_free(converted);
  return result;
}

namespace {

struct Buttons {
  GtkButtonsType gtk;
  int first, second; // Win32 answers of the buttons, left to right (0: none)
  int closed;        // the answer when the box is closed without a button
};

Buttons ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
  case MB_OKCANCEL:
    return {GTK_BUTTONS_OK_CANCEL, IDOK, IDCANCEL, IDCANCEL};
  case MB_YESNO:
    return {GTK_BUTTONS_YES_NO, IDYES, IDNO, IDNO};
  default:
    return {GTK_BUTTONS_OK, IDOK, 0, IDCANCEL};
  }
}

int DefaultAnswer(UINT type) {
  const Buttons buttons = ButtonsOf(type);
  return (type & MB_DEFMASK) == MB_DEFBUTTON2 && buttons.second != 0 ? buttons.second : buttons.first;
}

int ResponseOf(int answer) {
  switch (answer) {
  case IDOK:
    return GTK_RESPONSE_OK;
  case IDCANCEL:
    return GTK_RESPONSE_CANCEL;
  case IDYES:
    return GTK_RESPONSE_YES;
  default:
    return GTK_RESPONSE_NO;
  }
}

// Nobody can see a box: the viewer still reads what it says, on one line.
int WriteInstead(const char *text, const char *caption, UINT type) {
  std::string line = ToUtf8(caption) + ": ";
  for (const char c : ToUtf8(text)) {
    const bool blank = c == '\n' || c == '\r' || c == '\t' || c == ' ';
    if (!blank)
      line += c;
    else if (line.back() != ' ')
      line += ' ';
  }
  if (line.back() == ' ')
    line.pop_back();
  std::fprintf(stderr, "%s\n", line.c_str());
  return DefaultAnswer(type);
}

// The box's icon, 48 pixels at `scale`, as the icon theme has it; NULL
// where it cannot be had (no icon theme in the data folders, or no MIME
// database by which to tell its format). The box goes without it then: an
// image made from the icon's name would fall back to GTK's own "missing"
// icon, and abort the program when that cannot be read either.
GtkWidget *IconImage(const char *name, int scale) {
  GError *error = nullptr;
  cairo_surface_t *surface = gtk_icon_theme_load_surface(gtk_icon_theme_get_default(), name, 48, scale, nullptr,
                                                         GTK_ICON_LOOKUP_FORCE_SIZE, &error);
  if (surface == nullptr) {
    g_clear_error(&error);
    return nullptr;
  }
  GtkWidget *image = gtk_image_new_from_surface(surface);
  cairo_surface_destroy(surface);
  return image;
}

} // namespace

int ShowMessageBox(void *parent, const char *text, const char *caption, UINT type) {
  if (!OpenGtk())
    return WriteInstead(text, caption, type);
  GtkMessageType kind = GTK_MESSAGE_INFO;
  const char *icon = "dialog-information";
  switch (type & MB_ICONMASK) {
  case MB_ICONERROR:
    kind = GTK_MESSAGE_ERROR, icon = "dialog-error";
    break;
  case MB_ICONWARNING:
    kind = GTK_MESSAGE_WARNING, icon = "dialog-warning";
    break;
  case MB_ICONQUESTION:
    kind = GTK_MESSAGE_QUESTION, icon = "dialog-question";
    break;
  default:
    break;
  }
  const Buttons buttons = ButtonsOf(type);
  // Many desktops show no title on message boxes, so the caption heads the
  // box and the text follows it; the title still names the box.
  GtkWidget *box = gtk_message_dialog_new(parent != nullptr ? GTK_WINDOW(parent) : nullptr, GTK_DIALOG_MODAL, kind,
                                          buttons.gtk, "%s", ToUtf8(caption).c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s", ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), ToUtf8(caption).c_str());
  gtk_window_set_position(GTK_WINDOW(box), parent != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  if (parent == nullptr || (type & MB_SYSTEMMODAL))
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE); // an ownerless box must not hide behind the show
  gtk_dialog_set_default_response(GTK_DIALOG(box), ResponseOf(DefaultAnswer(type)));
  if (GtkWidget *image = IconImage(icon, gtk_widget_get_scale_factor(box))) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS // the one way to give the box its icon in GTK 3
        gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), image);
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
  gtk_widget_show_all(box);
  const int response = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  // The box leaves the screen now; input that came after it is left queued
  // for whoever runs next, as Win32's box leaves it (a key pressed just after
  // the answer must not reach a dialog under the box before its caller has
  // seen the answer).
  gdk_display_flush(gdk_display_get_default());
  switch (response) {
  case GTK_RESPONSE_OK:
    return IDOK;
  case GTK_RESPONSE_CANCEL:
    return IDCANCEL;
  case GTK_RESPONSE_YES:
    return IDYES;
  case GTK_RESPONSE_NO:
    return IDNO;
  default:
    return buttons.closed;
  }
}

} // namespace platform
