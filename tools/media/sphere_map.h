// SPDX-License-Identifier: MIT
// The sphere map of the show's chrome objects: the world as a mirror ball
// reflects it, a sky with clouds and a sun over hills and a checkered floor.
#pragma once
#include "image.h"

namespace media {

constexpr int kSphereMapSize = 256; // RGB rows of 768 bytes, a multiple of 4

// RGB, laid out for OpenGL's sphere-map texture coordinates: the first row is
// t = 0, the bottom of the ball, so the file's top rows hold the floor and
// its bottom rows the sky (the picture looks upside down in a viewer, and
// right side up on the ball, since the show uploads the top row first).
Image DrawSphereMap();

} // namespace media
