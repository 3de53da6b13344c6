// SPDX-License-Identifier: MIT
// Each section's effect told from the others by pixel statistics of a look
// at the screen, shared by the tests that run the show on a display.
#pragma once
#include "show_kit.h"

namespace showkit {

// The logo's chrome letters: blue sky over an orange floor. The sphere map
// has no orange.
bool Orange(int r, int g, int b);
bool White(int r, int g, int b);

// GoogleTest expectations that `picture`, the whole screen at a time inside
// section `section` (0 zoom, 1 twirl, 2 spin, 3 sphere, 4 wave), shows that
// section's effect; `what` names the look in the messages.
void ExpectSection(int section, const Picture &picture, const char *what);

} // namespace showkit
