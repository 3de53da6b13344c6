// Test stand-in for the display: EnumDisplaySettingsA over the list given to
// PlatformSetDisplayModes (modes[0] the current mode, then the modes listed).
#include "platform/tap.h"
#include "platform/user.h"

#include <vector>

namespace {
std::vector<DEVMODEA> &Modes() {
  static std::vector<DEVMODEA> modes;
  return modes;
}
} // namespace

void PlatformSetDisplayModes(const DEVMODEA *modes, int count) {
  Modes().assign(modes, modes + (modes != nullptr && count > 0 ? count : 0));
}

BOOL EnumDisplaySettingsA(LPCSTR device, DWORD modeNumber, DEVMODEA *mode) {
  const std::vector<DEVMODEA> &modes = Modes();
  if (device != nullptr || mode == nullptr || modes.empty())
    return FALSE;
  const size_t index = modeNumber == ENUM_CURRENT_SETTINGS ? 0 : size_t(modeNumber) + 1;
  if (index >= modes.size())
    return FALSE;
  const DEVMODEA &from = modes[index];
  mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY | DM_DISPLAYFLAGS;
  mode->dmBitsPerPel = from.dmBitsPerPel;
  mode->dmPelsWidth = from.dmPelsWidth;
  mode->dmPelsHeight = from.dmPelsHeight;
  mode->dmDisplayFrequency = from.dmDisplayFrequency;
  mode->u2.dmDisplayFlags = from.u2.dmDisplayFlags;
  return TRUE;
}
