// SPDX-License-Identifier: MIT
// Fourth effect: an environment-mapped sphere with two cones riding in its
// frame, and from 52 s on a second, narrower view in a 320 x 200 inset.
#pragma once
#include "effects/effect.h"
#include "effects/show_timeline.h"

#include <GL/glu.h>

class SphereEffect : public Effect {
public:
  // The inset is drawn in frames strictly after this show time.
  static const int kInsetAfterMs = show::kSphereInsetAfterMs;

  SphereEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs);
  ~SphereEffect() override;
  bool Render(int timeMs) override;

  // Applies the sphere frame's transforms to the current modelview matrix (no
  // push or pop), so what follows rides in that frame, and draws the sphere.
  void DrawSphere();
  void DrawCylinder(bool wireframe);
  // The sphere and both cones, the cones `depth` units along the frame's z.
  void DrawScene(float depth);

  // angle + step as a float, less 360 once it has passed 360.
  static float AdvanceAngle(float angle, float step);

  GLUquadric *quadric; // serves the sphere and both cones
  float cylinderAngle; // base angle of the cones' rotations, degrees
  float sphereAngle;   // base angle of the sphere frame's rotations, degrees, and its recession, units
  float cylinderStep;  // per-frame increase of cylinderAngle
  float sphereStep;    // per-frame increase of sphereAngle
  GLuint texture;      // the RGB sphere map
};
