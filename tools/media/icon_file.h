// SPDX-License-Identifier: MIT
// Windows icon files: the Windows build's program icon, drawn by media-icon.
#pragma once
#include "image.h"

#include <string>
#include <vector>

namespace media {

// Writes `images` (square RGBA, 16 to 256 pixels a side) into one .ico file,
// each stored as a PNG, which Windows reads at every size since Vista. On
// failure returns false, removes what was written and puts the reason in
// `error`.
bool WriteIco(const char *path, const std::vector<Image> &images, std::string *error);

} // namespace media
