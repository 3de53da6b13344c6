// SPDX-License-Identifier: MIT
// Dialog units to pixels. A template measures in dialog units: a quarter of
// the dialog font's average letter width across, an eighth of its line height
// down, so a layout keeps its proportions whatever font the system finds.
#pragma once
#include "platform/win32_types.h"

namespace platform {

struct DialogBaseUnits {
  int x; // average width of the 52 Latin letters, pixels, rounded to nearest
  int y; // line height (ascent + descent), pixels
};

// Measures the closest font the system finds for `family` at `pointSize`
// points on a screen of `dpi` dots per inch. Needs no display. Provided by
// the back ends that draw dialogs themselves (Linux: fontconfig and Pango). Falls back to
// 8 x 16 (a common 10-point font at 96 dpi) when no font can be loaded.
DialogBaseUnits MeasureDialogFont(const char *family, int pointSize, double dpi);

// The rectangle (left, top, right, bottom) in pixels of a template rectangle
// in dialog units, rounded to the nearest pixel as MapDialogRect does.
RECT MapDialogUnits(DialogBaseUnits units, int x, int y, int cx, int cy);

} // namespace platform
