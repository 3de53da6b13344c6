// SPDX-License-Identifier: MIT
// First effect of the show: the logo on a huge quad that recedes from the
// viewer at constant speed on a white screen.
#pragma once
#include "effects/effect.h"

class LogoZoomEffect : public Effect {
public:
  LogoZoomEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs);
  ~LogoZoomEffect() override;
  bool Render(int timeMs) override;

  // Distance of the quad from the eye at `timeMs` for a window of `durationMs`:
  // 25 units at 0 ms, then 75 units more per quarter of the window.
  static float DistanceAt(int durationMs, int timeMs);

  float distance; // units along the view axis, recomputed every active frame
  GLuint texture; // the logo
};
