// SPDX-License-Identifier: MIT
// Last effect: the logo on a quad whose pixel rows ripple sideways along a
// sine wave that travels down the image.
#pragma once
#include "effects/effect.h"

class LogoWaveEffect : public Effect {
public:
  LogoWaveEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs);
  ~LogoWaveEffect() override;
  bool Render(int timeMs) override;

  // Rebuilds workPixels from sourcePixels for the next frame.
  void ShiftRows();

  // Pixels that the row at `angle` moves left: 4 sin(angle) truncated toward
  // zero, so -3 to 3; negative moves right.
  static int RowShift(float angle);

  // One frame of the ripple over two RGBA images of width x height pixels, top
  // row first: advances `phase` by 0.1 and rewrites every work row but the
  // last. A row moved left by k keeps its last k work pixels from before; a
  // row moved right by k takes its first k pixels from the end of the source
  // row above it. Row 0 never moves right. Nothing is read or written outside
  // the two buffers, whatever the width.
  static void ShiftRows(const unsigned char *source, unsigned char *work, int width, int height, float &phase);

  const unsigned char *sourcePixels; // the decoded logo, RGBA, owned by the image library; never written
  unsigned char *workPixels;         // pixelCount * 4 bytes of shifted picture, owned; NULL if allocation failed
  int width;                         // image width in pixels
  int height;                        // image height in pixels
  int pixelCount;                    // width * height
  GLuint texture;                    // receives workPixels every frame
  float phase;                       // angle of row 0, radians; +0.1 per frame, never reset
};
