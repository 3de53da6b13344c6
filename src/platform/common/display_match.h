// SPDX-License-Identifier: MIT
// Display-mode records as Windows reports them, and the rule that matches a
// requested mode against those the screen offers. No SDL types.
#pragma once
#include "platform/win32_types.h"

namespace platform {

// The fields EnumDisplaySettingsA fills.
constexpr DWORD kModeFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;

// Bits per pixel as Windows counts them: 8-bit RGB in 32-bit pixels is 32,
// 15-bit (5-5-5) is reported as 16.
DWORD WindowsBitsPerPel(int bitsPerPixel, int bytesPerPixel);

// A mode record with the four fields set and dmSize 148.
DEVMODEA MakeMode(DWORD width, DWORD height, DWORD bitsPerPel, DWORD frequency);

// True when `offered` has every field that `request` names in dmFields. A
// requested frequency of 0 or 1 means the default rate and matches any.
bool ModeSatisfies(const DEVMODEA &request, const DEVMODEA &offered);

// Index of the first mode in `modes` that satisfies `request`, or -1.
int FindMode(const DEVMODEA &request, const DEVMODEA *modes, int count);

} // namespace platform
