// SPDX-License-Identifier: MIT
// The rippling logo: every frame shifts each pixel row of a working copy and
// uploads it into the texture made once by the constructor.
#include "effects/logo_wave_effect.h"

#include "gl/gl_context.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

LogoWaveEffect::LogoWaveEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs,
                               int endMs)
    : Effect(context, archive, name, startMs, endMs), sourcePixels(nullptr), workPixels(nullptr), width(0), height(0),
      pixelCount(0), texture(0), phase(0) {
  const ArchiveImage image = LoadArchiveImage("krel.png", GL_RGBA);
  width = image.width;
  height = image.height;
  pixelCount = width * height;
  sourcePixels = image.pixels;
  const size_t bytes = size_t(pixelCount) * 4;
  workPixels = static_cast<unsigned char *>(std::calloc(bytes, 1));
  if (workPixels)
    std::memcpy(workPixels, sourcePixels, bytes);
  texture = context->CreateTexture(width, height, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT, GL_DECAL,
                                   image.pixels);
  glEnable(GL_TEXTURE_2D);
  glFlush();
}

LogoWaveEffect::~LogoWaveEffect() {
  context->DeleteTexture(texture);
  std::free(workPixels);
}

int LogoWaveEffect::RowShift(float angle) {
  return int(4 * std::sin(double(angle)));
}

void LogoWaveEffect::ShiftRows(const unsigned char *source, unsigned char *work, int width, int height, float &phase) {
  const size_t rowBytes = size_t(width) * 4;
  phase = float(phase + 0.1);
  float angle = phase;
  // The last row is never rewritten: it keeps the constructor's copy.
  for (int i = 0; i < height - 1; ++i) {
    int k = RowShift(angle);
    angle = float(angle + 0.1);
    if (k < 0 && i == 0)
      k = 0; // nothing lies before row 0 to shift in
    unsigned char *to = work + size_t(i) * rowBytes;
    if (k >= 0) {
      if (k < width)
        std::memcpy(to, source + (size_t(i) * width + k) * 4, size_t(width - k) * 4);
    } else {
      // One whole row, starting |k| pixels before this source row (never more
      // than one row before it), so neither buffer is left.
      const int back = -k < width ? -k : width;
      std::memcpy(to, source + (size_t(i) * width - back) * 4, rowBytes);
    }
  }
}

void LogoWaveEffect::ShiftRows() {
  if (workPixels)
    ShiftRows(sourcePixels, workPixels, width, height, phase);
}

bool LogoWaveEffect::Render(int timeMs) {
  if (!IsActive(timeMs))
    return false;
  wglMakeCurrent(context->deviceContext, context->renderContext);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(55, 1, 0, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -35);

  ShiftRows();
  glBindTexture(GL_TEXTURE_2D, texture);
  // Without a working copy the texture keeps the unshifted image.
  if (workPixels)
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, workPixels);

  // 20 x 10 units, centred, image upright.
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex3f(-10, -5, 0);
  glTexCoord2f(1, 1);
  glVertex3f(10, -5, 0);
  glTexCoord2f(1, 0);
  glVertex3f(10, 5, 0);
  glTexCoord2f(0, 0);
  glVertex3f(-10, 5, 0);
  glEnd();

  glFlush();
  SwapBuffers(context->deviceContext);
  return true;
}
