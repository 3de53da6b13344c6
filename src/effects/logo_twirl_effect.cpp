// SPDX-License-Identifier: MIT
// The twirled logo. The power and the twirl advance by one step per rendered
// frame, so their speed follows the frame rate; the show time only picks which.
#include "effects/logo_twirl_effect.h"

#include "effects/show_timeline.h"

#include "gl/gl_context.h"

#include <GL/glu.h>

#include <cmath>

LogoTwirlEffect::LogoTwirlEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs,
                                 int endMs)
    : Effect(context, archive, name, startMs, endMs), scale(1.0f), twist(0), exponent(1.0f), velocity(0.1f), gridX(),
      gridY(), texture(0) {
  const ArchiveImage image = LoadArchiveImage("krel.png", GL_RGBA);
  texture = context->CreateTexture(image.width, image.height, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_CLAMP,
                                   GL_DECAL, image.pixels);
  glEnable(GL_TEXTURE_2D);
  glFlush();
}

LogoTwirlEffect::~LogoTwirlEffect() {
  context->DeleteTexture(texture);
}

namespace {

void Swing(float &value, float &velocity, double low, double high) {
  const double sum = double(value) + double(velocity);
  value = float(sum);
  if (sum <= low)
    velocity = 0.05f;
  if (value >= high)
    velocity = -0.05f;
}

} // namespace

void LogoTwirlEffect::Advance(int timeMs, float &exponent, float &twist, float &velocity) {
  // Absolute show times, not derived from the window.
  if (timeMs >= show::kTwirl.startMs && timeMs < kTwirlFromMs)
    Swing(exponent, velocity, 0.2, 3.6);
  else
    Swing(twist, velocity, -2.4, 2.4);
}

void LogoTwirlEffect::Advance(int timeMs) {
  Advance(timeMs, exponent, twist, velocity);
}

void LogoTwirlEffect::BuildGrid(float exponent, float twist, float scale, float *gridX, float *gridY) {
  for (int c = 0; c < kColumns; ++c) {
    for (int r = 0; r < kRows; ++r) {
      const double x = -1 + 0.075 * c;
      const double y = -1 + 0.1 * r;
      double radius = std::sqrt(x * x + y * y);
      // The minus mirrors the grid top to bottom: row 0 lands at the top.
      double angle = -std::atan2(y, x);
      if (radius < 1) {
        radius = std::pow(radius, double(exponent));
        angle += (1 - radius) * twist;
      }
      gridX[c * kRows + r] = float(std::cos(angle) * radius * scale);
      gridY[c * kRows + r] = float(std::sin(angle) * radius * scale);
    }
  }
}

void LogoTwirlEffect::BuildGrid(float exponent, float twist) {
  BuildGrid(exponent, twist, scale, gridX, gridY);
}

void LogoTwirlEffect::DrawMesh() {
  glBegin(GL_TRIANGLES);
  glColor3f(1, 1, 1);
  // Grid row 0 is never drawn; a cell's s comes from its right-hand column, so
  // the image's leftmost 1/28 and topmost 1/19 stay hidden.
  for (int r = 1; r <= kRows - 2; ++r) {
    for (int c = 1; c < kColumns; ++c) {
      const int i00 = (c - 1) * kRows + r, i10 = c * kRows + r;
      const int i11 = c * kRows + r + 1, i01 = (c - 1) * kRows + r + 1;
      const float s0 = c / 28.0f, s1 = (c + 1) / 28.0f;
      const float t0 = r / 19.0f, t1 = (r + 1) / 19.0f;
      glTexCoord2f(s0, t0);
      glVertex3f(gridX[i00], gridY[i00], 0);
      glTexCoord2f(s1, t0);
      glVertex3f(gridX[i10], gridY[i10], 0);
      glTexCoord2f(s1, t1);
      glVertex3f(gridX[i11], gridY[i11], 0);

      glTexCoord2f(s0, t0);
      glVertex3f(gridX[i00], gridY[i00], 0);
      glTexCoord2f(s0, t1);
      glVertex3f(gridX[i01], gridY[i01], 0);
      glTexCoord2f(s1, t1);
      glVertex3f(gridX[i11], gridY[i11], 0);
    }
  }
  glEnd();
}

bool LogoTwirlEffect::Render(int timeMs) {
  if (!IsActive(timeMs))
    return false;
  wglMakeCurrent(context->deviceContext, context->renderContext);
  // Drawn opaque: transparent parts of the logo show the white of the decal mix.
  glDisable(GL_BLEND);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(55, 1, 0.1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -2.5);
  glShadeModel(GL_SMOOTH);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBindTexture(GL_TEXTURE_2D, texture);

  Advance(timeMs);
  BuildGrid(exponent, twist);
  DrawMesh();

  glFlush();
  SwapBuffers(context->deviceContext);
  return true;
}
