// SPDX-License-Identifier: MIT
// Dialog units to pixels, as MapDialogRect rounds them.
#include "common/dialog_units.h"

#include "platform/windows.h"

namespace platform {

RECT MapDialogUnits(DialogBaseUnits units, int x, int y, int cx, int cy) {
  RECT rect;
  rect.left = MulDiv(x, units.x, 4);
  rect.top = MulDiv(y, units.y, 8);
  rect.right = rect.left + MulDiv(cx, units.x, 4);
  rect.bottom = rect.top + MulDiv(cy, units.y, 8);
  return rect;
}

} // namespace platform
