// SPDX-License-Identifier: MIT
// The rendering context over WGL and the few GL calls around it.
#include "gl/gl_context.h"

#include <cstring>

namespace {
// glGetString's answer as text; empty for a null answer.
std::string GLText(GLenum name) {
  const GLubyte *text = glGetString(name);
  return text != nullptr ? std::string(reinterpret_cast<const char *>(text)) : std::string();
}
} // namespace

GLContext::GLContext() : window(nullptr), deviceContext(nullptr), viewport{0, 0, 0, 0}, renderContext(nullptr) {
  std::memset(&pixelFormat, 0, sizeof pixelFormat);
}

GLContext::~GLContext() {
  Release();
}

bool GLContext::Create(HWND targetWindow, int colorBits, int depthBits, int accumBits) {
  window = targetWindow;
  deviceContext = GetDC(window);

  std::memset(&pixelFormat, 0, sizeof pixelFormat);
  pixelFormat.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pixelFormat.nVersion = 1;
  pixelFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pixelFormat.iPixelType = PFD_TYPE_RGBA;
  pixelFormat.cColorBits = BYTE(colorBits);
  // Alpha and stencil follow from the colour depth alone.
  pixelFormat.cAlphaBits = colorBits >= 24 ? 8 : 1;
  pixelFormat.cAccumBits = BYTE(accumBits);
  pixelFormat.cDepthBits = BYTE(depthBits);
  pixelFormat.cStencilBits = colorBits >= 24 ? 8 : 0;
  pixelFormat.iLayerType = PFD_MAIN_PLANE;

  const int format = ChoosePixelFormat(deviceContext, &pixelFormat);
  if (format == 0)
    return false;
  if (!SetPixelFormat(deviceContext, format, &pixelFormat))
    return false;
  renderContext = wglCreateContext(deviceContext);
  if (renderContext == nullptr)
    return false;
  if (!wglMakeCurrent(deviceContext, renderContext))
    return false;

  vendor = GLText(GL_VENDOR);
  renderer = GLText(GL_RENDERER);
  version = GLText(GL_VERSION);
  extensions = GLText(GL_EXTENSIONS);
  return true;
}

bool GLContext::SetDefaultState() {
  glShadeModel(GL_SMOOTH);
  glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  return true;
}

void GLContext::SetViewport(int x, int y, int width, int height, bool remember) {
  if (remember)
    viewport = {x, y, width, height};
  glViewport(x, y, width, height);
}

void GLContext::RestoreViewport() {
  glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
}

GLuint GLContext::CreateTexture(int width, int height, GLenum format, int minFilter, int magFilter, int wrapS,
                                int wrapT, unsigned int envMode, const unsigned char *pixels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
  // The environment mode belongs to the texture unit: it stays for every
  // texture until something sets it again.
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLfloat(envMode));
  glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
  return name;
}

GLuint GLContext::DeleteTexture(GLuint name) {
  glDeleteTextures(1, &name);
  return name;
}

bool GLContext::Release() {
  if (deviceContext == nullptr && renderContext == nullptr)
    return true; // Create never ran, or Release already gave everything back
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(renderContext);
  ReleaseDC(window, deviceContext);
  renderContext = nullptr;
  deviceContext = nullptr;
  return true;
}
