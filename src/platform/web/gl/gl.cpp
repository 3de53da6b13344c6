// SPDX-License-Identifier: MIT
// The GL 1.1 entry points over WebGL. The vertex stage (vertex_stage.cpp)
// turns glBegin ... glEnd into clip-space triangles, which wait here until
// something that changes how they are drawn comes; then they go to WebGL in
// one draw (webgl.js). Textures live on both sides: their GL parameters here,
// their texels in WebGL.
#include "gl_state.h"
#include "vertex_stage.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

extern "C" {
// webgl.js
int zgl_attach(void);
void zgl_detach(void);
void zgl_enable(GLenum cap, int on);
void zgl_viewport(int x, int y, int width, int height);
void zgl_scissor(int x, int y, int width, int height);
void zgl_blend_func(GLenum source, GLenum destination);
void zgl_depth_func(GLenum func);
void zgl_clear(GLbitfield mask, float red, float green, float blue, float alpha, double depth);
int zgl_texture_create(void);
void zgl_texture_delete(int id);
void zgl_texture_image(int id, GLenum format, int width, int height, const void *pixels, size_t bytes);
void zgl_texture_sub_image(int id, GLenum format, int x, int y, int width, int height, const void *pixels,
                           size_t bytes);
void zgl_draw(int lines, const float *vertices, int count, int x, int y, int width, int height, int id, int mode,
              int alpha, int linear, int textureWidth, int textureHeight, int clampS, int clampT);
void zgl_read_pixels(int x, int y, int width, int height, void *pixels);
}

namespace {

constexpr GLenum kNearestMipmapLinear = 0x2702; // GL's initial minification filter

struct Texture {
  int id = 0; // on the WebGL side
  int width = 0, height = 0;
  GLenum format = 0; // GL_RGB or GL_RGBA once it has an image
  GLenum minFilter = kNearestMipmapLinear, magFilter = GL_LINEAR;
  GLenum wrapS = GL_REPEAT, wrapT = GL_REPEAT;

  // Complete, as GL has it: an image, and no minification filter that wants mipmaps.
  bool Complete() const { return format != 0 && (minFilter == GL_NEAREST || minFilter == GL_LINEAR); }
};

struct Context {
  bool attached = false;
  webgl::VertexStage stage;
  // Drawn at the next Submit, which comes before any change to how they are
  // drawn, the polygon mode's included.
  std::vector<webgl::ClipVertex> pending;
  std::vector<float> drawBuffer; // what Submit hands WebGL, reused
  int viewport[4] = {0, 0, 0, 0};

  std::map<GLuint, Texture> textures;
  GLuint bound = 0, nextName = 1;
  bool texturing = false;
  GLenum envMode = GL_MODULATE;

  float clearColor[4] = {0, 0, 0, 0};
  double clearDepth = 1;
  GLint packAlignment = 4, packRowLength = 0, packSkipRows = 0, packSkipPixels = 0;
  std::vector<uint8_t> readBack;
};

Context context;

// GL calls other than the vertex attributes are errors inside glBegin/glEnd,
// and there is nothing to draw on without a context.
bool Ready() {
  return context.attached && !context.stage.InPrimitive();
}

// What WebGL is handed per vertex: the clip-space position, then for each
// of 1, s, t, r, g, b, a a plane over the viewport's normalised coordinates
// (x, y, 1): the quantity over w across the triangle (see Planes).
constexpr int kPlanes = 7;
constexpr int kDrawFloats = 4 + kPlanes * 3;

// The planes of triangle `v`, as the clip-space (homogeneous) form of
// perspective-correct interpolation gives them: with M the matrix of the
// vertices' (x, y, w) rows, a quantity q's plane is M^-1 (q0, q1, q2), and
// at a pixel q = plane(q) / plane(1). The fragment shader evaluates them at
// each pixel's centre, so the interpolation is GL's whatever the rasteriser's
// own precision (SwiftShader's put texture coordinates up to about 1/30 of a
// pixel off Mesa's, a few levels where a texture is sharp).
// False for a triangle seen edge-on, which covers no pixel.
bool Planes(const webgl::ClipVertex *v, float *planes) {
  double m[3][3];
  for (int i = 0; i < 3; ++i) {
    m[i][0] = v[i].position[0];
    m[i][1] = v[i].position[1];
    m[i][2] = v[i].position[3];
  }
  double inverse[3][3];
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const int r0 = (col + 1) % 3, r1 = (col + 2) % 3, c0 = (row + 1) % 3, c1 = (row + 2) % 3;
      inverse[row][col] = m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0];
    }
  const double determinant = m[0][0] * inverse[0][0] + m[0][1] * inverse[1][0] + m[0][2] * inverse[2][0];
  if (determinant == 0)
    return false;
  for (int q = 0; q < kPlanes; ++q) {
    double values[3];
    for (int i = 0; i < 3; ++i)
      values[i] = q == 0 ? 1.0 : q < 3 ? v[i].coord[q - 1] : v[i].color[q - 3];
    for (int row = 0; row < 3; ++row)
      planes[q * 3 + row] = float(
          (inverse[row][0] * values[0] + inverse[row][1] * values[1] + inverse[row][2] * values[2]) / determinant);
  }
  return true;
}

// Draws what is pending, with the state it was specified under.
void Submit() {
  context.stage.FlushQuads(&context.pending);
  if (context.pending.empty())
    return;
  const bool lines = context.stage.Lines();
  std::vector<float> &out = context.drawBuffer;
  out.clear();
  const size_t step = lines ? 1 : 3;
  for (size_t first = 0; first + step <= context.pending.size(); first += step) {
    const webgl::ClipVertex *v = &context.pending[first];
    float planes[kPlanes * 3] = {};
    if (!lines && !Planes(v, planes))
      continue;
    if (lines) // a line's quantities are WebGL's own interpolation of each end's
      for (int q = 0; q < kPlanes; ++q)
        planes[q * 3 + 2] = q == 0 ? 1.0f : q < 3 ? v->coord[q - 1] : v->color[q - 3];
    for (size_t i = 0; i < step; ++i) {
      out.insert(out.end(), v[i].position, v[i].position + 4);
      out.insert(out.end(), planes, planes + kPlanes * 3);
    }
  }
  context.pending.clear();
  const Texture &texture = context.textures[context.bound];
  const bool textured = context.texturing && texture.Complete();
  const int mode = context.envMode == GL_DECAL ? 2 : context.envMode == GL_REPLACE ? 3 : 1;
  const int *viewport = context.viewport;
  zgl_draw(lines, out.data(), int(out.size() / kDrawFloats), viewport[0], viewport[1], viewport[2], viewport[3],
           textured ? texture.id : 0, mode, texture.format == GL_RGBA, texture.magFilter == GL_LINEAR, texture.width,
           texture.height, texture.wrapS == GL_CLAMP, texture.wrapT == GL_CLAMP);
}

// Ready, with what is pending drawn: for the calls that change how it draws.
bool Change() {
  if (!Ready())
    return false;
  Submit();
  return true;
}

Texture &Bound() {
  Texture &texture = context.textures[context.bound];
  if (texture.id == 0)
    texture.id = zgl_texture_create();
  return texture;
}

// Bytes GL reads for `height` rows of `width` pixels of `format` at the
// default unpack alignment of 4: the last row unpadded, as WebGL counts.
size_t UnpackBytes(GLenum format, int width, int height) {
  const size_t row = size_t(width) * (format == GL_RGBA ? 4 : 3);
  return (row + 3) / 4 * 4 * size_t(height - 1) + row;
}

bool PixelFormat(GLenum format, GLenum type) {
  return (format == GL_RGB || format == GL_RGBA) && type == GL_UNSIGNED_BYTE;
}

// glEnable and glDisable.
void SetCapability(GLenum cap, bool on) {
  if (!Ready())
    return;
  switch (cap) {
  case GL_TEXTURE_GEN_S:
  case GL_TEXTURE_GEN_T:
    context.stage.EnableGeneration(cap, on);
    break;
  case GL_TEXTURE_2D:
    Submit();
    context.texturing = on;
    break;
  case GL_BLEND:
  case GL_DEPTH_TEST:
  case GL_SCISSOR_TEST:
    Submit();
    zgl_enable(cap, on);
    break;
  }
}

} // namespace

bool WebGlAttach(int width, int height) {
  context = Context(); // whatever an earlier context had is gone with it
  if (zgl_attach() == 0)
    return false;
  context.attached = true;
  glViewport(0, 0, width, height);
  zgl_scissor(0, 0, width, height);
  return true;
}

void WebGlDetach() {
  if (context.attached)
    zgl_detach();
  context = Context();
}

extern "C" {

void glBegin(GLenum mode) {
  if (context.attached)
    context.stage.Begin(mode);
}

void glEnd(void) {
  context.stage.End(&context.pending);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  context.stage.Vertex(x, y, z);
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
  context.stage.SetColor(red, green, blue, 1);
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz) {
  context.stage.SetNormal(nx, ny, nz);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
  context.stage.SetCoord(s, t);
}

void glMatrixMode(GLenum mode) {
  if (Ready())
    context.stage.SetMatrixMode(mode);
}

void glLoadIdentity(void) {
  if (Ready())
    context.stage.LoadIdentity();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  if (Ready())
    context.stage.Translate(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  if (Ready())
    context.stage.Rotate(angle, x, y, z);
}

void glMultMatrixd(const GLdouble *m) {
  if (!Ready())
    return;
  webgl::Matrix right;
  for (int i = 0; i < 16; ++i)
    right.m[i] = float(m[i]);
  context.stage.Multiply(right);
}

void glPushMatrix(void) {
  if (Ready())
    context.stage.Push();
}

void glPopMatrix(void) {
  if (Ready())
    context.stage.Pop();
}

void glEnable(GLenum cap) {
  SetCapability(cap, true);
}

void glDisable(GLenum cap) {
  SetCapability(cap, false);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (width < 0 || height < 0 || !Change())
    return;
  const int viewport[4] = {x, y, width, height};
  std::copy(viewport, viewport + 4, context.viewport);
  zgl_viewport(x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (width >= 0 && height >= 0 && Change())
    zgl_scissor(x, y, width, height);
}

void glClear(GLbitfield mask) {
  mask &= GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
  if (mask != 0 && Change())
    zgl_clear(mask, context.clearColor[0], context.clearColor[1], context.clearColor[2], context.clearColor[3],
              context.clearDepth);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
  if (!Ready())
    return;
  // Rounded to the 8-bit level Mesa clears with, so that WebGL, whatever its
  // rounding, gets it exactly.
  const float color[4] = {red, green, blue, alpha};
  for (int i = 0; i < 4; ++i)
    context.clearColor[i] = std::nearbyint((color[i] < 0 ? 0 : color[i] > 1 ? 1 : color[i]) * 255.0f) / 255.0f;
}

void glClearDepth(GLclampd depth) {
  if (Ready())
    context.clearDepth = depth < 0 ? 0 : depth > 1 ? 1 : depth;
}

void glDepthFunc(GLenum func) {
  if (func >= GL_NEVER && func <= GL_ALWAYS && Change())
    zgl_depth_func(func);
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  auto valid = [](GLenum factor) {
    return factor <= GL_ONE || (factor >= GL_SRC_COLOR && factor <= GL_ONE_MINUS_DST_COLOR);
  };
  if (valid(sfactor) && valid(dfactor) && Change())
    zgl_blend_func(sfactor, dfactor);
}

void glShadeModel(GLenum mode) {
  if ((mode == GL_FLAT || mode == GL_SMOOTH) && Change())
    context.stage.SetFlat(mode == GL_FLAT);
}

void glPolygonMode(GLenum face, GLenum mode) {
  if (face == GL_FRONT_AND_BACK && (mode == GL_LINE || mode == GL_FILL) && Change())
    context.stage.SetLines(mode == GL_LINE);
}

void glHint(GLenum, GLenum) {}

void glFlush(void) {
  if (Ready())
    Submit();
}

const GLubyte *glGetString(GLenum name) {
  if (!context.attached)
    return nullptr;
  const char *text = nullptr;
  switch (name) {
  case GL_VENDOR:
    text = "zarvox";
    break;
  case GL_RENDERER:
    text = "OpenGL 1.1 subset over WebGL 1";
    break;
  case GL_VERSION:
    text = "1.1 zarvox-web";
    break;
  case GL_EXTENSIONS:
    text = "";
    break;
  }
  return reinterpret_cast<const GLubyte *>(text);
}

void glGenTextures(GLsizei n, GLuint *textures) {
  if (!Ready())
    return;
  for (GLsizei i = 0; i < n; ++i) {
    while (context.textures.count(context.nextName) != 0) // bound before it was handed out
      ++context.nextName;
    textures[i] = context.nextName++;
  }
}

void glDeleteTextures(GLsizei n, const GLuint *textures) {
  if (!Change())
    return;
  for (GLsizei i = 0; i < n; ++i) {
    const auto found = context.textures.find(textures[i]);
    if (textures[i] == 0 || found == context.textures.end())
      continue;
    if (found->second.id != 0)
      zgl_texture_delete(found->second.id);
    context.textures.erase(found);
    if (context.bound == textures[i])
      context.bound = 0;
  }
}

void glBindTexture(GLenum target, GLuint texture) {
  if (target == GL_TEXTURE_2D && Change())
    context.bound = texture;
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid *pixels) {
  const bool layout = internalformat == GLint(format) || internalformat == (format == GL_RGBA ? 4 : 3);
  if (target != GL_TEXTURE_2D || level != 0 || border != 0 || !PixelFormat(format, type) || !layout || width < 1 ||
      height < 1 || !Change())
    return;
  Texture &texture = Bound();
  texture.width = width;
  texture.height = height;
  texture.format = format;
  zgl_texture_image(texture.id, format, width, height, pixels, UnpackBytes(format, width, height));
}

void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const GLvoid *pixels) {
  if (target != GL_TEXTURE_2D || level != 0 || !PixelFormat(format, type) || !Change())
    return;
  Texture &texture = Bound();
  if (format != texture.format || xoffset < 0 || yoffset < 0 || width < 1 || height < 1 ||
      xoffset + width > texture.width || yoffset + height > texture.height || pixels == nullptr)
    return;
  zgl_texture_sub_image(texture.id, format, xoffset, yoffset, width, height, pixels,
                        UnpackBytes(format, width, height));
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
  if (target != GL_TEXTURE_2D || !Change())
    return;
  Texture &texture = Bound();
  const GLenum value = GLenum(param);
  const bool filter = value == GL_NEAREST || value == GL_LINEAR;
  const bool mipmapFilter = value >= 0x2700 && value <= 0x2703;
  const bool wrap = value == GL_CLAMP || value == GL_REPEAT;
  if (pname == GL_TEXTURE_MIN_FILTER && (filter || mipmapFilter))
    texture.minFilter = value;
  else if (pname == GL_TEXTURE_MAG_FILTER && filter)
    texture.magFilter = value;
  else if (pname == GL_TEXTURE_WRAP_S && wrap)
    texture.wrapS = value;
  else if (pname == GL_TEXTURE_WRAP_T && wrap)
    texture.wrapT = value;
}

void glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
  const GLenum mode = GLenum(param);
  if (target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE &&
      (mode == GL_MODULATE || mode == GL_DECAL || mode == GL_REPLACE) && Change())
    context.envMode = mode;
}

void glTexGeni(GLenum coord, GLenum pname, GLint param) {
  if ((coord == GL_S || coord == GL_T) && pname == GL_TEXTURE_GEN_MODE && Ready())
    context.stage.SetSphereMap(coord, GLenum(param) == GL_SPHERE_MAP);
}

void glGetIntegerv(GLenum pname, GLint *params) {
  if (!Ready())
    return;
  switch (pname) {
  case GL_READ_BUFFER:
    *params = GL_BACK;
    break;
  case GL_PACK_ALIGNMENT:
    *params = context.packAlignment;
    break;
  case GL_PACK_ROW_LENGTH:
    *params = context.packRowLength;
    break;
  case GL_PACK_SKIP_ROWS:
    *params = context.packSkipRows;
    break;
  case GL_PACK_SKIP_PIXELS:
    *params = context.packSkipPixels;
    break;
  }
}

void glPixelStorei(GLenum pname, GLint param) {
  if (!Ready())
    return;
  if (pname == GL_PACK_ALIGNMENT && (param == 1 || param == 2 || param == 4 || param == 8))
    context.packAlignment = param;
  else if (param < 0)
    return;
  else if (pname == GL_PACK_ROW_LENGTH)
    context.packRowLength = param;
  else if (pname == GL_PACK_SKIP_ROWS)
    context.packSkipRows = param;
  else if (pname == GL_PACK_SKIP_PIXELS)
    context.packSkipPixels = param;
}

void glReadBuffer(GLenum) {}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels) {
  if (format != GL_RGBA || type != GL_UNSIGNED_BYTE || width < 1 || height < 1 || !Change())
    return;
  context.readBack.resize(size_t(width) * size_t(height) * 4);
  zgl_read_pixels(x, y, width, height, context.readBack.data());
  // Rows of the pack state's length, padded to its alignment, after the skipped ones.
  const size_t rowPixels = size_t(context.packRowLength > 0 ? context.packRowLength : width);
  const size_t alignment = size_t(context.packAlignment);
  const size_t stride = (rowPixels * 4 + alignment - 1) / alignment * alignment;
  uint8_t *out =
      static_cast<uint8_t *>(pixels) + size_t(context.packSkipRows) * stride + size_t(context.packSkipPixels) * 4;
  for (GLsizei row = 0; row < height; ++row)
    std::memcpy(out + size_t(row) * stride, context.readBack.data() + size_t(row) * size_t(width) * 4,
                size_t(width) * 4);
}

} // extern "C"
