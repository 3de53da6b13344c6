// SPDX-License-Identifier: MIT
// The show's logo: the word "KREL" as chrome letters with an outline, a soft
// shadow and a floor reflection, on a transparent background.
#pragma once
#include "image.h"

namespace media {

constexpr int kLogoWidth = 512; // power-of-two sides, 2:1 like the quads it is drawn on
constexpr int kLogoHeight = 256;

// RGBA, rows top first. Fully transparent pixels are white (255, 255, 255, 0):
// the show blends transparent texels over white and filters linearly, so the
// colour under alpha 0 must be the white it stands for, or edges would darken.
Image DrawLogo();

} // namespace media
