// SPDX-License-Identifier: MIT
// Scenes written once against GL 1.1 and GLU, built twice: natively they are
// drawn by Mesa (llvmpipe) with Mesa's GLU, in the browser by our GL subset
// over WebGL with our GLU. Each is read back after drawing; gl_scenes.js
// compares the two sets of pixels. Natively: gl_scenes OUT.rgba (under X);
// in the page the pixels are left in Module.scenes.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#ifdef __EMSCRIPTEN__
#include "gl_state.h"
#include <emscripten.h>
#include <emscripten/html5.h>
#else
#include <SDL2/SDL.h>
#endif

namespace {

constexpr int kSize = 256; // each scene's width and height

GLuint logo, logoClamped, disc, discClamped; // RGBA 64 x 32, RGB 48 x 40 (no power of two)
GLUquadric *quadric;

// Stripes and a ring; the RGBA one is transparent outside the ring but for a
// faint grid.
std::vector<uint8_t> Pattern(int width, int height, int channels) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int dx = 2 * x - width, dy = 2 * y - height;
      const bool ring = std::abs(dx * dx + dy * dy - height * height / 2) < height * 8;
      pixels.push_back(uint8_t(x * 255 / (width - 1)));
      pixels.push_back(uint8_t(y * 255 / (height - 1)));
      pixels.push_back(uint8_t((x / 4 + y / 4) % 2 * 180 + (ring ? 60 : 0)));
      if (channels == 4)
        pixels.push_back(uint8_t(ring ? 255 : (x + y) % 3 == 0 ? 120 : 0));
    }
  return pixels;
}

GLuint Texture(int width, int height, GLenum format, GLint filter, GLint wrap) {
  const std::vector<uint8_t> pixels = Pattern(width, height, format == GL_RGBA ? 4 : 3);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE, pixels.data());
  return name;
}

// A quad from (x0, y0) to (x1, y1) at depth z, s and t running from s0, t0 at
// the top left; corner colours from `colors` (4 RGB triples) when given.
void Quad(float x0, float y0, float x1, float y1, float z, float s0, float t0, float s1, float t1,
          const float *colors = nullptr) {
  const float corners[4][4] = {{x0, y0, s0, t1}, {x1, y0, s1, t1}, {x1, y1, s1, t0}, {x0, y1, s0, t0}};
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    if (colors != nullptr)
      glColor3f(colors[i * 3], colors[i * 3 + 1], colors[i * 3 + 2]);
    glTexCoord2f(corners[i][2], corners[i][3]);
    glVertex3f(corners[i][0], corners[i][1], z);
  }
  glEnd();
}

const float kCorners[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0.2f};

// Each scene starts from the show's default state, on a cleared screen.
void Start(double fovy, double zNear, double zFar) {
  glViewport(0, 0, kSize, kSize);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glShadeModel(GL_SMOOTH);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glColor3f(1, 1, 1);
  glClearColor(0.2f, 0.3f, 0.4f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fovy, 1, zNear, zFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// Each environment mode and filter, repeated and clamped (with the border), on
// quads turned away in perspective.
void Environments() {
  Start(55, 0.1, 100);
  glTranslatef(0, 0, -3);
  glRotatef(35, 0, 1, 0);
  glRotatef(-20, 1, 0, 0);
  const struct {
    GLuint texture;
    GLenum mode;
    float x, y, low, high;
  } quads[4] = {{logo, GL_MODULATE, -1.1f, 0.05f, -1.5f, 1.5f},
                {logoClamped, GL_DECAL, 0.05f, 0.05f, -0.25f, 1.25f},
                {disc, GL_DECAL, -1.1f, -1.1f, 0, 2},
                {discClamped, GL_MODULATE, 0.05f, -1.1f, -0.5f, 1.5f}};
  for (const auto &q : quads) {
    glBindTexture(GL_TEXTURE_2D, q.texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLfloat(q.mode));
    Quad(q.x, q.y, q.x + 1.05f, q.y + 1.05f, 0, q.low, q.low, q.high, q.high, kCorners);
  }
}

// The logo effects' set-up: a near plane of 0 (every depth 1.0), blending,
// an RGBA texture tiled backwards, on a background quad; then a row-shifted
// update of part of the texture.
void Blending() {
  Start(55, 0, 100);
  glTranslatef(10, 0, -50);
  glRotatef(-30, 0, 0, 1);
  glDisable(GL_TEXTURE_2D);
  Quad(-30, -20, 10, 20, 0, 0, 0, 1, 1, kCorners);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, logo);
  Quad(-40, -25, 20, 25, 0, 0, 0, -2.3f, -2.3f);
  std::vector<uint8_t> rows = Pattern(64, 16, 4);
  for (size_t i = 0; i < rows.size(); i += 4)
    rows[i] = uint8_t(255 - rows[i]);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 8, 64, 16, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  Quad(-5, -30, 25, -10, 1, 0, 0, 1, 1);
}

// Depth-tested intersecting quads (one flat shaded) and an untextured
// sphere through them; the kinds of primitive, with colours that show how
// each is split into triangles.
void DepthAndPrimitives() {
  Start(50, 1, 20);
  glDisable(GL_TEXTURE_2D);
  glTranslatef(0, 0, -6);
  glPushMatrix();
  glRotatef(60, 0, 1, 0);
  Quad(-1.5f, -1, 1.5f, 1, 0, 0, 0, 1, 1, kCorners);
  glPopMatrix();
  glShadeModel(GL_FLAT);
  glRotatef(-50, 0, 1, 0);
  Quad(-1.5f, -0.5f, 1.5f, 1.5f, 0, 0, 0, 1, 1, kCorners);
  glShadeModel(GL_SMOOTH);
  glColor3f(0.9f, 0.6f, 0.1f);
  gluQuadricTexture(quadric, GL_FALSE);
  gluSphere(quadric, 0.8, 12, 9);
  gluQuadricTexture(quadric, GL_TRUE);

  glLoadIdentity();
  glTranslatef(0, -2.2f, -7);
  glRotatef(-40, 1, 0, 0);
  const GLenum kinds[4] = {GL_QUAD_STRIP, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_POLYGON};
  for (int k = 0; k < 4; ++k) {
    glBegin(kinds[k]);
    for (int i = 0; i < 6; ++i) {
      const float angle = float(i);
      glColor3f(kCorners[i % 4 * 3], kCorners[i % 4 * 3 + 1], kCorners[i % 4 * 3 + 2]);
      const float x = k < 2 ? float(i / 2) * 0.5f + float(i % 2) * 0.2f : std::cos(angle) * 0.5f;
      const float y = k < 2 ? float(i % 2) * (0.5f + 0.1f * i) : std::sin(angle) * 0.45f;
      glVertex3f(float(k) * 1.8f - 2.8f + x, y, 0);
    }
    glEnd();
  }
}

// A cleared and drawn box inside the screen, and a narrower viewport: the
// sphere effect's inset.
void Scissor() {
  Start(55, 0.1, 100);
  glEnable(GL_SCISSOR_TEST);
  glViewport(0, 0, 160, 100);
  glScissor(20, 10, 140, 110);
  glClearColor(0.9f, 0.9f, 0.2f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glTranslatef(0, 0, -2);
  glRotatef(25, 0, 0, 1);
  glBindTexture(GL_TEXTURE_2D, disc);
  Quad(-1.5f, -1.5f, 1.5f, 1.5f, 0, 0, 0, 1, 1, kCorners);
  glDisable(GL_SCISSOR_TEST);
}

// The sphere effect: a sphere-mapped sphere cut by the near plane and a
// sphere-mapped cone; with `wireframe` the cone is drawn in line mode.
void SphereMap(bool wireframe) {
  Start(30, 10, 1000);
  glTranslatef(0, 0, -10.4f);
  glBindTexture(GL_TEXTURE_2D, disc);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glPushMatrix();
  glRotatef(52, 1, 0, 0);
  glRotatef(44, 0, 1, 0);
  glRotatef(48, 0, 0, 1);
  gluSphere(quadric, 1.3, 40, 40);
  glPopMatrix();
  glTranslatef(wireframe ? 2 : -2.5f, 0, -3);
  if (wireframe) {
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor3f(0, 0, 0);
  }
  glRotatef(26, 1, 0, 0);
  glRotatef(22, 0, 1, 0);
  glRotatef(24, 0, 0, 1);
  gluCylinder(quadric, 2, 1, 3, 32, 32);
}

} // namespace

// In the order gl_scenes.js names them.
void (*const kScenes[])() = {Environments,           Blending, DepthAndPrimitives, Scissor, [] { SphereMap(false); },
                             [] { SphereMap(true); }};
constexpr int kSceneCount = sizeof kScenes / sizeof kScenes[0];

int main(int argc, char **argv) {
#ifdef __EMSCRIPTEN__
  (void)argc;
  (void)argv;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = false;
  attributes.antialias = false;
  attributes.preserveDrawingBuffer = true;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
  if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS ||
      !WebGlAttach(kSize, kSize)) {
    std::fprintf(stderr, "gl_scenes: no WebGL context\n");
    return 1;
  }
#else
  if (argc != 2) {
    std::fprintf(stderr, "usage: gl_scenes OUT.rgba\n");
    return 2;
  }
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_Window *window = nullptr;
  if (SDL_Init(SDL_INIT_VIDEO) != 0 ||
      (window = SDL_CreateWindow("", 0, 0, kSize, kSize, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN)) == nullptr ||
      SDL_GL_CreateContext(window) == nullptr) {
    std::fprintf(stderr, "gl_scenes: no GL context: %s\n", SDL_GetError());
    return 1;
  }
#endif
  logo = Texture(64, 32, GL_RGBA, GL_NEAREST, GL_REPEAT);
  logoClamped = Texture(64, 32, GL_RGBA, GL_LINEAR, GL_CLAMP);
  disc = Texture(48, 40, GL_RGB, GL_LINEAR, GL_REPEAT);
  discClamped = Texture(48, 40, GL_RGB, GL_NEAREST, GL_CLAMP);
  quadric = gluNewQuadric();
  gluQuadricNormals(quadric, GLU_SMOOTH);
  gluQuadricTexture(quadric, GL_TRUE);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);

  std::vector<uint8_t> pixels(size_t(kSceneCount) * kSize * kSize * 4);
  for (int i = 0; i < kSceneCount; ++i) {
    kScenes[i]();
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, &pixels[size_t(i) * kSize * kSize * 4]);
  }
  gluDeleteQuadric(quadric);
#ifdef __EMSCRIPTEN__
  EM_ASM({ Module.scenes = HEAPU8.slice($0, $0 + $1); }, pixels.data(), pixels.size());
#else
  FILE *out = std::fopen(argv[1], "wb");
  if (out == nullptr || std::fwrite(pixels.data(), 1, pixels.size(), out) != pixels.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "gl_scenes: cannot write %s\n", argv[1]);
    return 1;
  }
#endif
  return 0;
}
