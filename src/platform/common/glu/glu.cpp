// SPDX-License-Identifier: MIT
// The GLU calls the show makes (the perspective projection and the sphere and
// cylinder quadrics), written over GL 1.1 for a system that brings no GLU.
// The vertices, their order and the float arithmetic that makes them are
// those of the desktop GLU, so that a frame drawn with this one matches a
// frame drawn with the system's: GL sees the same glNormal3f, glTexCoord2f and
// glVertex3f calls, in the same primitives.
#include <GL/glu.h>

#include <cmath>

// The quadric's settings; drawn filled, facing outwards, always.
struct GLUquadric {
  GLenum normals = GLU_SMOOTH;
  bool textureCoords = false;
};

namespace {

constexpr double kPi = 3.14159265358979323846;
// Slices and stacks beyond this are drawn as this many, as the desktop GLU does.
constexpr int kMostDivisions = 239;

// sin and cos of a full turn's `i`-th of `slices` parts, as floats, with the
// first repeated at [slices] so that strips close on themselves.
void TurnTables(int slices, float *sines, float *cosines) {
  for (int i = 0; i < slices; ++i) {
    const float angle = float(2 * kPi * i / slices);
    sines[i] = float(std::sin(angle));
    cosines[i] = float(std::cos(angle));
  }
  sines[slices] = sines[0];
  cosines[slices] = cosines[0];
}

} // namespace

GLUquadric *GLAPIENTRY gluNewQuadric(void) {
  return new GLUquadric;
}

void GLAPIENTRY gluDeleteQuadric(GLUquadric *quadric) {
  delete quadric;
}

void GLAPIENTRY gluQuadricNormals(GLUquadric *quadric, GLenum normals) {
  if (normals == GLU_SMOOTH || normals == GLU_NONE)
    quadric->normals = normals;
}

void GLAPIENTRY gluQuadricTexture(GLUquadric *quadric, GLboolean textureCoords) {
  quadric->textureCoords = textureCoords != GL_FALSE;
}

void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double radians = fovy / 2 * kPi / 180;
  const double deltaZ = zFar - zNear;
  const double sine = std::sin(radians);
  if (deltaZ == 0 || sine == 0 || aspect == 0)
    return; // no projection: the matrix is left as it is
  const double cotangent = std::cos(radians) / sine;
  // Column-major, as GL takes it.
  GLdouble m[16] = {};
  m[0] = cotangent / aspect;
  m[5] = cotangent;
  m[10] = -(zFar + zNear) / deltaZ;
  m[11] = -1;
  m[14] = -2 * zNear * zFar / deltaZ;
  glMultMatrixd(m);
}

// Stacks from the +z pole (j = 0) to the -z pole, each a quad strip of
// slices + 1 pairs, the upper ring's vertex before the lower's. With texture
// coordinates the poles are strips too (their apex has a coordinate per
// slice); without, they are fans.
void GLAPIENTRY gluSphere(GLUquadric *quadric, GLdouble radius, GLint slices, GLint stacks) {
  slices = slices < kMostDivisions ? slices : kMostDivisions;
  stacks = stacks < kMostDivisions ? stacks : kMostDivisions;
  if (slices < 2 || stacks < 1 || radius < 0)
    return;
  const bool smooth = quadric->normals == GLU_SMOOTH;
  const bool textured = quadric->textureCoords;
  float turnSin[kMostDivisions + 1], turnCos[kMostDivisions + 1];
  TurnTables(slices, turnSin, turnCos);
  // Per stack boundary j: the unit normal's sin/cos of its polar angle, and
  // the same scaled by the radius (pinned to 0 at the poles).
  float polarSin[kMostDivisions + 1], polarCos[kMostDivisions + 1];
  float ringRadius[kMostDivisions + 1], ringZ[kMostDivisions + 1];
  for (int j = 0; j <= stacks; ++j) {
    const float angle = float(kPi * j / stacks);
    polarSin[j] = float(std::sin(angle));
    polarCos[j] = float(std::cos(angle));
    ringRadius[j] = float(radius * std::sin(angle));
    ringZ[j] = float(radius * std::cos(angle));
  }
  ringRadius[0] = 0;
  ringRadius[stacks] = 0;

  int first = 0, last = stacks;
  if (!textured) {
    first = 1;
    last = stacks - 1;
    // The top cap: the pole, then the first ring from slice 0 round to slice 0.
    glBegin(GL_TRIANGLE_FAN);
    if (smooth)
      glNormal3f(0, 0, 1);
    glVertex3f(0, 0, float(radius));
    for (int i = slices; i >= 0; --i) {
      if (smooth)
        glNormal3f(turnSin[i] * polarSin[1], turnCos[i] * polarSin[1], polarCos[1]);
      glVertex3f(ringRadius[1] * turnSin[i], ringRadius[1] * turnCos[i], ringZ[1]);
    }
    glEnd();
  }
  for (int j = first; j < last; ++j) {
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= slices; ++i) {
      if (smooth)
        glNormal3f(turnSin[i] * polarSin[j + 1], turnCos[i] * polarSin[j + 1], polarCos[j + 1]);
      if (textured)
        glTexCoord2f(1 - float(i) / slices, 1 - float(j + 1) / stacks);
      glVertex3f(ringRadius[j + 1] * turnSin[i], ringRadius[j + 1] * turnCos[i], ringZ[j + 1]);
      if (smooth)
        glNormal3f(turnSin[i] * polarSin[j], turnCos[i] * polarSin[j], polarCos[j]);
      if (textured)
        glTexCoord2f(1 - float(i) / slices, 1 - float(j) / stacks);
      glVertex3f(ringRadius[j] * turnSin[i], ringRadius[j] * turnCos[i], ringZ[j]);
    }
    glEnd();
  }
  if (!textured) {
    // The bottom cap: the pole, then the last ring the other way round.
    glBegin(GL_TRIANGLE_FAN);
    if (smooth)
      glNormal3f(0, 0, -1);
    glVertex3f(0, 0, float(-radius));
    for (int i = 0; i <= slices; ++i) {
      if (smooth)
        glNormal3f(turnSin[i] * polarSin[stacks - 1], turnCos[i] * polarSin[stacks - 1], polarCos[stacks - 1]);
      glVertex3f(ringRadius[stacks - 1] * turnSin[i], ringRadius[stacks - 1] * turnCos[i], ringZ[stacks - 1]);
    }
    glEnd();
  }
}

// Stacks from z = 0 (the base) up to z = height, each a quad strip of
// slices + 1 pairs, the lower ring's vertex before the upper's. Every
// vertex of a slice has the same normal, tilted by the radii's slope.
void GLAPIENTRY gluCylinder(GLUquadric *quadric, GLdouble baseRadius, GLdouble topRadius, GLdouble height, GLint slices,
                            GLint stacks) {
  slices = slices < kMostDivisions ? slices : kMostDivisions;
  if (slices < 2 || stacks < 1 || baseRadius < 0 || topRadius < 0 || height < 0)
    return;
  const double deltaRadius = baseRadius - topRadius;
  const double length = std::sqrt(deltaRadius * deltaRadius + height * height);
  if (length == 0)
    return;
  const bool smooth = quadric->normals == GLU_SMOOTH;
  const float zNormal = float(deltaRadius / length);
  const double xyNormal = height / length;
  float turnSin[kMostDivisions + 1], turnCos[kMostDivisions + 1];
  float normalX[kMostDivisions + 1], normalY[kMostDivisions + 1];
  TurnTables(slices, turnSin, turnCos);
  for (int i = 0; i < slices; ++i) {
    const float angle = float(2 * kPi * i / slices);
    normalX[i] = float(xyNormal * std::sin(angle));
    normalY[i] = float(xyNormal * std::cos(angle));
  }
  normalX[slices] = normalX[0];
  normalY[slices] = normalY[0];

  for (int j = 0; j < stacks; ++j) {
    const float zLow = float(j * height / stacks);
    const float zHigh = float((j + 1) * height / stacks);
    const float radiusLow = float(baseRadius - deltaRadius * (float(j) / stacks));
    const float radiusHigh = float(baseRadius - deltaRadius * (float(j + 1) / stacks));
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= slices; ++i) {
      if (smooth)
        glNormal3f(normalX[i], normalY[i], zNormal);
      if (quadric->textureCoords)
        glTexCoord2f(1 - float(i) / slices, float(j) / stacks);
      glVertex3f(radiusLow * turnSin[i], radiusLow * turnCos[i], zLow);
      if (quadric->textureCoords)
        glTexCoord2f(1 - float(i) / slices, float(j + 1) / stacks);
      glVertex3f(radiusHigh * turnSin[i], radiusHigh * turnCos[i], zHigh);
    }
    glEnd();
  }
}
