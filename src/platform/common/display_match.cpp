// SPDX-License-Identifier: MIT
// Matching of display-mode requests against the screen's list.
#include "common/display_match.h"

#include <cstring>

namespace platform {

DWORD WindowsBitsPerPel(int bitsPerPixel, int bytesPerPixel) {
  if (bytesPerPixel == 4)
    return 32;
  if (bitsPerPixel == 15)
    return 16;
  return DWORD(bitsPerPixel);
}

DEVMODEA MakeMode(DWORD width, DWORD height, DWORD bitsPerPel, DWORD frequency) {
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof(DEVMODEA);
  mode.dmFields = kModeFields;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmBitsPerPel = bitsPerPel;
  mode.dmDisplayFrequency = frequency;
  return mode;
}

bool ModeSatisfies(const DEVMODEA &request, const DEVMODEA &offered) {
  const DWORD fields = request.dmFields;
  if ((fields & DM_PELSWIDTH) && request.dmPelsWidth != offered.dmPelsWidth)
    return false;
  if ((fields & DM_PELSHEIGHT) && request.dmPelsHeight != offered.dmPelsHeight)
    return false;
  if ((fields & DM_BITSPERPEL) && request.dmBitsPerPel != offered.dmBitsPerPel)
    return false;
  if ((fields & DM_DISPLAYFREQUENCY) && request.dmDisplayFrequency > 1 &&
      request.dmDisplayFrequency != offered.dmDisplayFrequency)
    return false;
  return true;
}

int FindMode(const DEVMODEA &request, const DEVMODEA *modes, int count) {
  for (int i = 0; i < count; ++i)
    if (ModeSatisfies(request, modes[i]))
      return i;
  return -1;
}

} // namespace platform
