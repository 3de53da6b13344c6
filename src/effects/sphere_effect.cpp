// SPDX-License-Identifier: MIT
// The sphere-mapped sphere and cones. Texture coordinate generation is on only
// while this effect draws; the inset pass switches it, and the scissor test,
// off again at its end.
#include "effects/sphere_effect.h"

#include "gl/gl_context.h"

SphereEffect::SphereEffect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs)
    : Effect(context, archive, name, startMs, endMs), quadric(gluNewQuadric()), cylinderAngle(0), sphereAngle(0),
      cylinderStep(0.2f), sphereStep(0.4f), texture(0) {
  const ArchiveImage image = LoadArchiveImage("spheremap.png", GL_RGB);
  // Wrap modes stay at OpenGL's default (repeat).
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels);
  // The generation mode is set once for the whole show; generation itself is
  // switched on only while this effect draws.
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  // Smooth normals feed the sphere-map generation only: there is no lighting.
  gluQuadricNormals(quadric, GLU_SMOOTH);
  gluQuadricTexture(quadric, GL_TRUE);
  glEnable(GL_TEXTURE_2D);
  glFlush();
}

SphereEffect::~SphereEffect() {
  context->DeleteTexture(texture);
  gluDeleteQuadric(quadric);
}

float SphereEffect::AdvanceAngle(float angle, float step) {
  angle += step;
  if (angle > 360)
    angle -= 360;
  return angle;
}

void SphereEffect::DrawSphere() {
  glTranslatef(0, 0, -sphereAngle);
  glRotatef(sphereAngle * 1.3, 1, 0, 0);
  glRotatef(sphereAngle * 1.1, 0, 1, 0);
  glRotatef(sphereAngle * 1.2, 0, 0, 1);
  gluSphere(quadric, 1.3, 40, 40);
}

void SphereEffect::DrawCylinder(bool wireframe) {
  if (wireframe) {
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor3f(0, 0, 0);
  }
  // 1.3, 1.1 and 1.2 times the base angle: 360 degrees of it is no full turn.
  glRotatef(cylinderAngle * 1.3, 1, 0, 0);
  glRotatef(cylinderAngle * 1.1, 0, 1, 0);
  glRotatef(cylinderAngle * 1.2, 0, 0, 1);
  gluCylinder(quadric, 2, 1, 3, 32, 32);
  if (wireframe) {
    glColor3f(1, 1, 1);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
  }
}

void SphereEffect::DrawScene(float depth) {
  DrawSphere();
  glPushMatrix();
  glTranslatef(5, 0, depth);
  DrawCylinder(true);
  glPopMatrix();
  glTranslatef(-5, 0, depth);
  DrawCylinder(false);
}

bool SphereEffect::Render(int timeMs) {
  if (!IsActive(timeMs))
    return false;
  cylinderAngle = AdvanceAngle(cylinderAngle, cylinderStep);
  sphereAngle = AdvanceAngle(sphereAngle, sphereStep);

  wglMakeCurrent(context->deviceContext, context->renderContext);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(75, 1, 10, 1000);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -10);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  DrawScene(-3);

  if (timeMs > kInsetAfterMs) {
    // The same angles from a narrower view, in the window's lower-left
    // 320 x 200 pixels whatever its size; the scissor keeps the clear there.
    glEnable(GL_SCISSOR_TEST);
    context->SetViewport(0, 0, 320, 200, false);
    glScissor(0, 0, 320, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50, 1, 10, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(0, 0, -10);
    DrawScene(-5);
    context->RestoreViewport();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }

  glFlush();
  SwapBuffers(context->deviceContext);
  return true;
}
