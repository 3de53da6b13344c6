// SPDX-License-Identifier: MIT
// A fingerprint of the OpenGL state the effects touch, and sentinel values to
// set first, so that a test can tell whether any GL call happened in between.
#pragma once
#include "effects/effect.h"

#include <vector>

struct GLState {
  std::vector<GLfloat> floats;     // matrices, colours, viewport, scissor box
  std::vector<GLint> integers;     // modes, bindings, enables, blend factors
  std::vector<unsigned char> back; // the whole back buffer, RGBA
  bool operator==(const GLState &other) const {
    return floats == other.floats && integers == other.integers && back == other.back;
  }
};

// Puts the state into values no effect leaves behind (odd matrices and clear
// colour, texturing off, a magenta back buffer, ...). Needs a current context.
void SetSentinelState(int width, int height);
GLState CaptureState(int width, int height);
