// SPDX-License-Identifier: MIT
// The spinning, ever more finely tiled logo. Both animations step once per
// rendered frame and run on for the whole window without wrapping.
#include "effects/logo_spin_effect.h"

#include "gl/gl_context.h"

#include <GL/glu.h>

LogoSpinEffect::LogoSpinEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs,
                               int endMs)
    : Effect(context, archive, name, startMs, endMs), scrollStep(0.1f), spinStep(2.0f), scroll(0), spin(0), texture(0) {
  const ArchiveImage image = LoadArchiveImage("krel.png", GL_RGBA);
  texture = context->CreateTexture(image.width, image.height, GL_RGBA, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT,
                                   GL_DECAL, image.pixels);
  glEnable(GL_TEXTURE_2D);
  glFlush();
}

LogoSpinEffect::~LogoSpinEffect() {
  glDeleteTextures(1, &texture);
}

bool LogoSpinEffect::Render(int timeMs) {
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
  // 50 units away the view's half-height is about 26 units: the 200 x 100
  // quad, 10 units off centre, covers the whole view at any angle.
  glTranslatef(10, 0, -50);
  glBindTexture(GL_TEXTURE_2D, texture);

  scroll -= scrollStep;
  spin -= spinStep;
  glRotatef(spin, 0, 0, 1);

  // Once k turns negative the image repeats |k| times each way, upside down
  // and mirrored, since both coordinates run backwards.
  const float k = scroll + 1;
  glBegin(GL_QUADS);
  glTexCoord2f(0, k);
  glVertex3f(-100, -50, 0);
  glTexCoord2f(k, k);
  glVertex3f(100, -50, 0);
  glTexCoord2f(k, 0);
  glVertex3f(100, 50, 0);
  glTexCoord2f(0, 0);
  glVertex3f(-100, 50, 0);
  glEnd();

  glFlush();
  SwapBuffers(context->deviceContext);
  return true;
}
