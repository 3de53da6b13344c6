// SPDX-License-Identifier: MIT
// Third effect: one screen-filling quad that turns clockwise while the logo
// is tiled ever more times across it.
#pragma once
#include "effects/effect.h"

class LogoSpinEffect : public Effect {
public:
  LogoSpinEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs);
  ~LogoSpinEffect() override;
  bool Render(int timeMs) override;

  float scrollStep; // per-frame decrease of scroll
  float spinStep;   // per-frame decrease of spin, degrees
  float scroll;     // texture coordinates run from 0 to scroll + 1
  float spin;       // turn of the quad about the view axis, degrees; never wrapped
  GLuint texture;   // the logo, repeated and unfiltered
};
