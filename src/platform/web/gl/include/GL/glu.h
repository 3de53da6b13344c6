// SPDX-License-Identifier: MIT
// GLU in the browser: the calls the show makes, over the GL 1.1 subset beside
// this header (src/platform/common/glu/, the same source the desktop could
// build). Names and values are GLU's.
#pragma once
#ifndef __EMSCRIPTEN__
#error "This header is the browser back end's: elsewhere the system's GLU header is used"
#endif
#include <GL/gl.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GLU_SMOOTH 100000
#define GLU_FLAT 100001
#define GLU_NONE 100002

typedef struct GLUquadric GLUquadric;
typedef GLUquadric GLUquadricObj;

// Multiplies the current matrix by a perspective projection; nothing for a
// zero aspect, field of view or depth range.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
// A quadric drawn filled and facing outwards, with smooth normals and no
// texture coordinates until told otherwise. NULL never (allocation aborts).
GLUquadric *gluNewQuadric(void);
void gluDeleteQuadric(GLUquadric *quadric);
// GLU_SMOOTH or GLU_NONE (GLU_FLAT is not drawn here and is ignored).
void gluQuadricNormals(GLUquadric *quadric, GLenum normals);
void gluQuadricTexture(GLUquadric *quadric, GLboolean textureCoords);
// Centred on the origin, the poles on the z axis, +z first: the same vertices,
// normals and texture coordinates, in the same primitives and order, as the
// desktop GLU gives GL.
void gluSphere(GLUquadric *quadric, GLdouble radius, GLint slices, GLint stacks);
// Along +z from the base (z = 0) to the top, open at both ends.
void gluCylinder(GLUquadric *quadric, GLdouble baseRadius, GLdouble topRadius, GLdouble height, GLint slices,
                 GLint stacks);

#ifdef __cplusplus
}
#endif
