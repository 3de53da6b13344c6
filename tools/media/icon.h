// SPDX-License-Identifier: MIT
// The desktop icon, made from the logo: its letters cropped out of the
// transparent margin and fitted into a square.
#pragma once
#include "image.h"

namespace media {

// A `size` x `size` RGBA image of `logo` (as DrawLogo gives it): the box of its
// visible pixels, scaled down to fit with a margin of 1/32 of the side and
// centred. Each pixel is the average of the logo pixels it covers, weighted by
// their alpha, so that edges stay clean against any background. Sizes from
// 16 to the logo's width.
Image DrawIcon(const Image &logo, int size);

} // namespace media
