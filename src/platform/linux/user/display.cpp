// SPDX-License-Identifier: MIT
// Display modes: the primary display's list as Windows reports it, and the
// switch that ChangeDisplaySettingsA holds until it is undone.
#include "common/display_match.h"
#include "user/layer.h"

#include "platform/tap_linux.h"
#include "platform/user.h"

#include <vector>

namespace platform {
namespace {

// A test list from PlatformSetDisplayModes: [0] the desktop mode, then the
// modes offered. Empty when SDL's list is used.
std::vector<DEVMODEA> testModes;
bool pretendHeld = false; // a switch against the test list is in effect
DEVMODEA pretendMode;     // the mode it switched to

bool realHeld = false;    // a real switch is in effect
SDL_DisplayMode realMode; // the SDL mode it switches full-screen windows to

DEVMODEA FromSdl(const SDL_DisplayMode &mode) {
  return MakeMode(DWORD(mode.w), DWORD(mode.h),
                  WindowsBitsPerPel(int(SDL_BITSPERPIXEL(mode.format)), int(SDL_BYTESPERPIXEL(mode.format))),
                  DWORD(mode.refresh_rate));
}

// SDL's modes for the primary display, in SDL's order. False without a display.
bool SdlModes(std::vector<SDL_DisplayMode> *modes) {
  if (!EnsureVideo())
    return false;
  const int count = SDL_GetNumDisplayModes(0);
  if (count < 1)
    return false;
  modes->clear();
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) == 0)
      modes->push_back(mode);
  }
  return !modes->empty();
}

void CopyModeFields(const DEVMODEA &from, DEVMODEA *to) {
  if (to->dmSize == 0)
    to->dmSize = sizeof(DEVMODEA);
  to->dmFields = kModeFields;
  to->dmBitsPerPel = from.dmBitsPerPel;
  to->dmPelsWidth = from.dmPelsWidth;
  to->dmPelsHeight = from.dmPelsHeight;
  to->dmDisplayFrequency = from.dmDisplayFrequency;
}

void CoverScreenWithPopups() {
  for (TopWindow *window : TopWindows())
    if (!window->destroyed && window->IsPopup())
      window->CoverScreen();
}

LONG Restore() {
  if (pretendHeld) {
    pretendHeld = false;
    CountDisplayChange();
  }
  if (realHeld) {
    realHeld = false;
    RestoreDisplayNow();
    CountDisplayChange();
  }
  return DISP_CHANGE_SUCCESSFUL;
}

} // namespace

HeldMode CurrentHold() {
  HeldMode hold = {};
  if (pretendHeld) {
    hold.held = true;
    hold.pretend = true;
    hold.width = int(pretendMode.dmPelsWidth);
    hold.height = int(pretendMode.dmPelsHeight);
  } else if (realHeld) {
    hold.held = true;
    hold.mode = realMode;
    hold.width = realMode.w;
    hold.height = realMode.h;
  }
  return hold;
}

void RestoreDisplayNow() {
  for (TopWindow *window : TopWindows())
    window->UncoverScreen();
}

} // namespace platform

using namespace platform;

void PlatformSetDisplayModes(const DEVMODEA *modes, int count) {
  testModes.clear();
  pretendHeld = false;
  if (modes != nullptr && count >= 1)
    testModes.assign(modes, modes + count);
}

BOOL EnumDisplaySettingsA(LPCSTR device, DWORD modeNumber, DEVMODEA *mode) {
  if (device != nullptr || mode == nullptr)
    return FALSE;
  if (!testModes.empty()) {
    if (modeNumber == ENUM_CURRENT_SETTINGS || modeNumber == ENUM_REGISTRY_SETTINGS) {
      CopyModeFields(modeNumber == ENUM_CURRENT_SETTINGS && pretendHeld ? pretendMode : testModes[0], mode);
      return TRUE;
    }
    if (modeNumber >= testModes.size() - 1)
      return FALSE;
    CopyModeFields(testModes[modeNumber + 1], mode);
    return TRUE;
  }
  if (!EnsureVideo())
    return FALSE;
  SDL_DisplayMode sdlMode;
  if (modeNumber == ENUM_CURRENT_SETTINGS || modeNumber == ENUM_REGISTRY_SETTINGS) {
    const int found = modeNumber == ENUM_CURRENT_SETTINGS ? SDL_GetCurrentDisplayMode(0, &sdlMode)
                                                          : SDL_GetDesktopDisplayMode(0, &sdlMode);
    if (found != 0)
      return FALSE;
  } else if (modeNumber >= DWORD(SDL_GetNumDisplayModes(0)) || SDL_GetDisplayMode(0, int(modeNumber), &sdlMode) != 0) {
    return FALSE;
  }
  CopyModeFields(FromSdl(sdlMode), mode);
  return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags) {
  if (mode == nullptr)
    return (flags & CDS_TEST) ? DISP_CHANGE_SUCCESSFUL : Restore();

  if (!testModes.empty()) {
    const int index = FindMode(*mode, testModes.data() + 1, int(testModes.size()) - 1);
    if (index < 0)
      return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST)
      return DISP_CHANGE_SUCCESSFUL;
    pretendHeld = true;
    pretendMode = testModes[size_t(index) + 1];
    CountDisplayChange();
    CoverScreenWithPopups();
    return DISP_CHANGE_SUCCESSFUL;
  }

  std::vector<SDL_DisplayMode> sdlModes;
  if (!SdlModes(&sdlModes))
    return DISP_CHANGE_FAILED;
  std::vector<DEVMODEA> offered;
  for (const SDL_DisplayMode &m : sdlModes)
    offered.push_back(FromSdl(m));
  const int index = FindMode(*mode, offered.data(), int(offered.size()));
  if (index < 0)
    return DISP_CHANGE_BADMODE;
  if (flags & CDS_TEST)
    return DISP_CHANGE_SUCCESSFUL;
  // A switch while another is held moves the screen to the new mode.
  RestoreDisplayNow();
  realHeld = true;
  realMode = sdlModes[size_t(index)];
  CountDisplayChange();
  CoverScreenWithPopups();
  return DISP_CHANGE_SUCCESSFUL;
}
