// SPDX-License-Identifier: MIT
// The receding logo. Its position depends on the show time alone, so a frame
// at a given time always looks the same whatever the frame rate.
#include "effects/logo_zoom_effect.h"

#include "gl/gl_context.h"

#include <GL/glu.h>

LogoZoomEffect::LogoZoomEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs,
                               int endMs)
    : Effect(context, archive, name, startMs, endMs), distance(0), texture(0) {
  const ArchiveImage image = LoadArchiveImage("krel.png", GL_RGBA);
  texture = context->CreateTexture(image.width, image.height, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_CLAMP,
                                   GL_DECAL, image.pixels);
  glEnable(GL_TEXTURE_2D);
  glFlush();
}

LogoZoomEffect::~LogoZoomEffect() {
  context->DeleteTexture(texture);
}

float LogoZoomEffect::DistanceAt(int durationMs, int timeMs) {
  const int quarter = durationMs / 4;
  // A window shorter than 4 ms has no quarter to divide by; the quad then
  // stays where it starts instead of flying off to infinity.
  if (quarter == 0)
    return 25.0f;
  return float(75.0 / quarter * timeMs + 25.0);
}

bool LogoZoomEffect::Render(int timeMs) {
  if (!IsActive(timeMs))
    return false;
  distance = DistanceAt(durationMs, timeMs);

  wglMakeCurrent(context->deviceContext, context->renderContext);
  // The clear colour is whatever is current: white, alpha 0, from the default state.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  // A near plane of 0 puts every fragment at depth 1.0 and makes the far plane
  // clip nothing, so the quad stays visible out to 325 units.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(55, 1, 0, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glBindTexture(GL_TEXTURE_2D, texture);
  glTranslatef(-2, 0, -distance);
  // 200 x 100 units, image upright (t = 0 on the top edge).
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex3f(-100, -50, 0);
  glTexCoord2f(1, 1);
  glVertex3f(100, -50, 0);
  glTexCoord2f(1, 0);
  glVertex3f(100, 50, 0);
  glTexCoord2f(0, 0);
  glVertex3f(-100, 50, 0);
  glEnd();

  glFlush();
  SwapBuffers(context->deviceContext);
  return true;
}
