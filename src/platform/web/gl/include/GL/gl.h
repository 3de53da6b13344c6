// SPDX-License-Identifier: MIT
// OpenGL 1.1 in the browser: the calls the show and the layer make, and only
// those, over WebGL 1. Names, types and values are OpenGL's, so the show's
// code means the same thing here as on the desktop. The vertex stage runs on
// the CPU in float as desktop GL defines it (matrix stacks, current colour,
// normal and texture coordinates, sphere-map generation); WebGL rasterises
// the clip-space triangles and lines it is handed, with one shader for the
// texture environment, interpolating every quantity itself per pixel, so
// that what reaches the pixels is the same as on the desktop whatever the
// rasteriser's own precision. A call outside this list does not exist here: code
// that needs one fails to build. There is no glGetError: what GL would
// reject with an error is ignored, state unchanged. Everything acts on the
// WebGL context made current by wglMakeCurrent (see web/gl/gl_state.h).
#pragma once
#ifndef __EMSCRIPTEN__
#error "This header is the browser back end's: elsewhere the system's OpenGL header is used"
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define GLAPI extern
#define GLAPIENTRY
#define APIENTRY

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef int GLint;
typedef unsigned char GLubyte;
typedef unsigned int GLuint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;

#define GL_FALSE 0
#define GL_TRUE 1
#define GL_ZERO 0
#define GL_ONE 1
#define GL_UNSIGNED_BYTE 0x1401

// Primitives (glBegin).
#define GL_TRIANGLES 0x0004
#define GL_TRIANGLE_STRIP 0x0005
#define GL_TRIANGLE_FAN 0x0006
#define GL_QUADS 0x0007
#define GL_QUAD_STRIP 0x0008
#define GL_POLYGON 0x0009

// Capabilities (glEnable, glDisable).
#define GL_TEXTURE_2D 0x0DE1
#define GL_BLEND 0x0BE2
#define GL_DEPTH_TEST 0x0B71
#define GL_SCISSOR_TEST 0x0C11
#define GL_TEXTURE_GEN_S 0x0C60
#define GL_TEXTURE_GEN_T 0x0C61

#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701

#define GL_NEVER 0x0200
#define GL_LESS 0x0201
#define GL_EQUAL 0x0202
#define GL_LEQUAL 0x0203
#define GL_GREATER 0x0204
#define GL_NOTEQUAL 0x0205
#define GL_GEQUAL 0x0206
#define GL_ALWAYS 0x0207

#define GL_SRC_COLOR 0x0300
#define GL_ONE_MINUS_SRC_COLOR 0x0301
#define GL_SRC_ALPHA 0x0302
#define GL_ONE_MINUS_SRC_ALPHA 0x0303
#define GL_DST_ALPHA 0x0304
#define GL_ONE_MINUS_DST_ALPHA 0x0305
#define GL_DST_COLOR 0x0306
#define GL_ONE_MINUS_DST_COLOR 0x0307

#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01
#define GL_FRONT_AND_BACK 0x0408
#define GL_BACK 0x0405
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_PERSPECTIVE_CORRECTION_HINT 0x0C50
#define GL_DONT_CARE 0x1100
#define GL_FASTEST 0x1101
#define GL_NICEST 0x1102

#define GL_COLOR_BUFFER_BIT 0x00004000
#define GL_DEPTH_BUFFER_BIT 0x00000100

#define GL_VENDOR 0x1F00
#define GL_RENDERER 0x1F01
#define GL_VERSION 0x1F02
#define GL_EXTENSIONS 0x1F03

// Textures.
#define GL_RGB 0x1907
#define GL_RGBA 0x1908
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MIN_FILTER 0x2801
#define GL_TEXTURE_WRAP_S 0x2802
#define GL_TEXTURE_WRAP_T 0x2803
#define GL_NEAREST 0x2600
#define GL_LINEAR 0x2601
#define GL_CLAMP 0x2900
#define GL_REPEAT 0x2901
#define GL_TEXTURE_ENV 0x2300
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_MODULATE 0x2100
#define GL_DECAL 0x2101
#define GL_REPLACE 0x1E01
#define GL_S 0x2000
#define GL_T 0x2001
#define GL_TEXTURE_GEN_MODE 0x2500
#define GL_SPHERE_MAP 0x2402

// Pixel transfer.
#define GL_READ_BUFFER 0x0C02
#define GL_PACK_ROW_LENGTH 0x0D02
#define GL_PACK_SKIP_ROWS 0x0D03
#define GL_PACK_SKIP_PIXELS 0x0D04
#define GL_PACK_ALIGNMENT 0x0D05

// ---- primitives -------------------------------------------------------------
// Starts a primitive of `mode` (the triangle kinds, GL_QUADS, GL_QUAD_STRIP,
// GL_POLYGON). Quads and polygons are split into triangles as Mesa splits
// them, so that colours and texture coordinates interpolate alike: fanned
// from their first vertex, but GL_QUADS from their second where a vertex of
// any quad since the last state change lies outside the view volume.
void glBegin(GLenum mode);
// Ends the primitive; vertices that make no whole triangle or quad are dropped.
void glEnd(void);
// A vertex with the current colour, normal and texture coordinates.
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
// The current colour (alpha 1), clamped to [0, 1] when a vertex takes it.
void glColor3f(GLfloat red, GLfloat green, GLfloat blue);
// The current normal, as given (no normalising); it feeds sphere-map generation.
void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz);
// The current texture coordinates (r 0, q 1).
void glTexCoord2f(GLfloat s, GLfloat t);

// ---- matrices ---------------------------------------------------------------
// GL_MODELVIEW (a stack of 32) or GL_PROJECTION (a stack of 4).
void glMatrixMode(GLenum mode);
void glLoadIdentity(void);
// Multiply the current matrix on the right, in float as Mesa does.
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
// `m` column-major, rounded to float first.
void glMultMatrixd(const GLdouble *m);
// Ignored where the stack is full (push) or holds one matrix (pop).
void glPushMatrix(void);
void glPopMatrix(void);

// ---- state ------------------------------------------------------------------
// GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_TEXTURE_GEN_S/T.
void glEnable(GLenum cap);
void glDisable(GLenum cap);
// In window pixels, origin bottom left. The first wglMakeCurrent sets both to
// the canvas.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
// GL_COLOR_BUFFER_BIT and GL_DEPTH_BUFFER_BIT, within the scissor box where
// the scissor test is on.
void glClear(GLbitfield mask);
void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void glClearDepth(GLclampd depth);
void glDepthFunc(GLenum func);
// The source and destination factors above (no GL_SRC_ALPHA_SATURATE).
void glBlendFunc(GLenum sfactor, GLenum dfactor);
// GL_FLAT colours a polygon with its last vertex's colour (a polygon's: its first's).
void glShadeModel(GLenum mode);
// GL_FRONT_AND_BACK only: GL_LINE draws each polygon's own edges (not the
// diagonals it is split along) as 1-pixel lines, GL_FILL fills.
void glPolygonMode(GLenum face, GLenum mode);
// Accepted and ignored: WebGL interpolates in perspective anyway.
void glHint(GLenum target, GLenum mode);
// Hands what was drawn so far to WebGL; the browser shows the canvas when the
// page's frame ends.
void glFlush(void);
// Names this implementation; GL_EXTENSIONS is empty. NULL for another name.
const GLubyte *glGetString(GLenum name);

// ---- textures ---------------------------------------------------------------
// Names from 1 up that are not in use, never reused while the context lives.
void glGenTextures(GLsizei n, GLuint *textures);
// Deleting the bound texture binds texture 0; unknown names are skipped.
void glDeleteTextures(GLsizei n, const GLuint *textures);
// GL_TEXTURE_2D only. A name not yet used becomes a texture (0 is one too).
void glBindTexture(GLenum target, GLuint texture);
// Level 0, no border, GL_RGB or GL_RGBA 8-bit rows aligned to 4 bytes, as many
// as `internalformat` (GL_RGB, GL_RGBA, 3 or 4) says; any size, since the
// shader does the wrapping and filtering. NULL pixels give black.
void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid *pixels);
// Part of level 0, in the texture's own format, rows aligned to 4 bytes.
void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const GLvoid *pixels);
// Filters GL_NEAREST or GL_LINEAR (a texture is filtered with its
// magnification filter throughout; a mipmap minification filter, the GL
// default, leaves it incomplete, drawn as if texturing were off); wraps
// GL_REPEAT or GL_CLAMP (with the transparent black border, as GL 1.1 has it).
void glTexParameteri(GLenum target, GLenum pname, GLint param);
// GL_TEXTURE_ENV_MODE: GL_MODULATE (the default), GL_DECAL or GL_REPLACE.
void glTexEnvf(GLenum target, GLenum pname, GLfloat param);
// GL_TEXTURE_GEN_MODE GL_SPHERE_MAP, for GL_S and GL_T; GL's default mode
// (eye linear) generates nothing here.
void glTexGeni(GLenum coord, GLenum pname, GLint param);

// ---- pixels -----------------------------------------------------------------
// GL_READ_BUFFER (GL_BACK) and the GL_PACK_* values.
void glGetIntegerv(GLenum pname, GLint *params);
// GL_PACK_ALIGNMENT (1, 2, 4, 8), GL_PACK_ROW_LENGTH, _SKIP_ROWS, _SKIP_PIXELS.
void glPixelStorei(GLenum pname, GLint param);
// GL_BACK only: the canvas is drawn to and read from directly.
void glReadBuffer(GLenum mode);
// GL_RGBA, GL_UNSIGNED_BYTE, bottom row first, laid out by the pack state.
// Alpha reads 255: the canvas has no alpha channel.
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels);

#ifdef __cplusplus
}
#endif
