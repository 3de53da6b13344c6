// SPDX-License-Identifier: MIT
// Frame sizes of a 96-dpi desktop, and AdjustWindowRectEx over them.
#include "user/frame.h"

#include "platform/user.h"

namespace platform {

RECT FrameInsets(DWORD style, DWORD exStyle) {
  RECT insets = {0, 0, 0, 0};
  int edge = 0;
  if (style & WS_THICKFRAME)
    edge = 8; // sizing border and padding
  else if (style & (WS_BORDER | WS_DLGFRAME))
    edge = (style & WS_DLGFRAME) ? 3 : 1;
  if (exStyle & WS_EX_CLIENTEDGE)
    edge += 2;
  insets.left = insets.right = insets.top = insets.bottom = edge;
  if ((style & WS_CAPTION) == WS_CAPTION)
    insets.top += 23;
  return insets;
}

} // namespace platform

BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL, DWORD exStyle) {
  if (rect == nullptr)
    return FALSE;
  const RECT insets = platform::FrameInsets(style, exStyle);
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}
