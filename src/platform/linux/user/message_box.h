// SPDX-License-Identifier: MIT
// GTK inside the layer: opened once for whichever comes first, a dialog or a
// message box, and the message box itself.
#pragma once
#ifdef _WIN32
#error "This header is the Linux back end's: Windows has its own USER, GDI and kernel"
#endif
#include "platform/win32_types.h"

#include <string>

namespace platform {

// Opens GTK on first use; false when it can use no display. The program's
// own locale is left alone: the show formats and parses numbers after GTK.
bool OpenGtk();

// Text as GTK wants it: valid UTF-8 kept, anything else read as Latin-1.
std::string ToUtf8(const char *text);

// A modal GTK message box, over `parent` (a GtkWindow *) when one is given.
// Answers as MessageBoxA does; where GTK has no display, the caption and text
// go to stderr as one line and the default button's answer is returned.
int ShowMessageBox(void *parent, const char *text, const char *caption, UINT type);

} // namespace platform
