// SPDX-License-Identifier: MIT
// Second effect: the logo on a 28 x 20 grid, pinched and twirled in polar
// coordinates inside the unit circle.
#pragma once
#include "effects/effect.h"

class LogoTwirlEffect : public Effect {
public:
  static const int kColumns = 28;
  static const int kRows = 20;
  // The power swings until this show time; the twirl swings from then on.
  static const int kTwirlFromMs = 18000;

  LogoTwirlEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs);
  ~LogoTwirlEffect() override;
  bool Render(int timeMs) override;

  // One frame's step of the animation that `timeMs` selects: the power before
  // kTwirlFromMs, the twirl from then on; both share `velocity`. Each step adds
  // in double precision and stores a float; the velocity turns to +0.05 when
  // the unrounded sum is at or below the lower limit, then to -0.05 when the
  // stored float is at or above the upper one.
  void Advance(int timeMs);
  static void Advance(int timeMs, float &exponent, float &twist, float &velocity);

  // Fills gridX and gridY; point (c, r) is at index c * kRows + r.
  void BuildGrid(float exponent, float twist);
  static void BuildGrid(float exponent, float twist, float scale, float *gridX, float *gridY);

  void DrawMesh();

  float scale;                   // multiplies every grid position; stays 1
  float twist;                   // twirl angle at the circle's centre, radians
  float exponent;                // power applied to the radius inside the unit circle
  float velocity;                // the per-frame step of whichever animation runs
  float gridX[kColumns * kRows]; // x of the distorted points
  float gridY[kColumns * kRows]; // y of the distorted points
  GLuint texture;                // the logo
};
