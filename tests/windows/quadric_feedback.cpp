// SPDX-License-Identifier: MIT
#include "quadric_feedback.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <SDL2/SDL.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

namespace {

// Appends the vertices of the polygons in `buffer` (GL_4D_COLOR_TEXTURE).
bool TakePolygons(const std::vector<GLfloat> &buffer, GLint size, std::vector<float> *vertices) {
  for (GLint i = 0; i < size;) {
    if (int(buffer[size_t(i)]) != GL_POLYGON_TOKEN || i + 1 >= size)
      return false;
    const GLint count = GLint(buffer[size_t(i) + 1]);
    i += 2;
    if (i + count * GLint(kFeedbackVertex) > size)
      return false;
    vertices->insert(vertices->end(), buffer.begin() + i, buffer.begin() + i + count * GLint(kFeedbackVertex));
    i += count * GLint(kFeedbackVertex);
  }
  return true;
}

bool Draw(std::vector<float> *vertices) {
  GLUquadric *quadric = gluNewQuadric();
  gluQuadricNormals(quadric, GLU_SMOOTH);
  gluQuadricTexture(quadric, GL_TRUE);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glMatrixMode(GL_PROJECTION);
  glOrtho(-4, 4, -4, 4, -10, 10);
  std::vector<GLfloat> buffer(1 << 20);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  gluSphere(quadric, 1.3, 40, 40);
  bool ok = TakePolygons(buffer, glRenderMode(GL_RENDER), vertices);
  glRenderMode(GL_FEEDBACK);
  gluCylinder(quadric, 2, 1, 3, 32, 32);
  ok = TakePolygons(buffer, glRenderMode(GL_RENDER), vertices) && ok;
  gluDeleteQuadric(quadric);
  return ok && !vertices->empty();
}

} // namespace

#ifdef _WIN32
bool QuadricFeedback(std::vector<float> *vertices, std::string *why) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "quadric_feedback";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("quadric_feedback", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  HDC dc = window != nullptr ? GetDC(window) : nullptr;
  PIXELFORMATDESCRIPTOR format = {};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.cColorBits = 32;
  format.cDepthBits = 16;
  HGLRC context = nullptr;
  if (dc != nullptr && SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format))
    context = wglCreateContext(dc);
  const bool ok = context != nullptr && wglMakeCurrent(dc, context) && Draw(vertices);
  if (!ok)
    *why = "no WGL context, or no feedback";
  if (context != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
  }
  if (window != nullptr)
    DestroyWindow(window);
  return ok;
}
#else
bool QuadricFeedback(std::vector<float> *vertices, std::string *why) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *why = SDL_GetError();
    return false;
  }
  SDL_Window *window = SDL_CreateWindow("", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
  const bool ok = context != nullptr && Draw(vertices);
  if (!ok)
    *why = context == nullptr ? SDL_GetError() : "no feedback";
  if (context != nullptr)
    SDL_GL_DeleteContext(context);
  if (window != nullptr)
    SDL_DestroyWindow(window);
  // No SDL_Quit: it would unload the GL driver, whose leftovers the leak
  // checker would then report from an unknown module; the process ends soon.
  return ok;
}
#endif
