// SPDX-License-Identifier: MIT
// The OpenGL rendering context on the show's window: pixel format and
// context creation, the default render state, the viewport with one
// remembered rectangle, and 2D textures from raw pixels.
#pragma once
#include "platform/windows.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>

class GLContext {
public:
  struct Rect {
    int32_t x, y, width, height; // window pixels, origin at the lower left
  };

  GLContext();
  ~GLContext(); // runs Release

  // Binds a double-buffered RGBA context to `window` and makes it current.
  // False at the first step that fails; what was acquired stays for Release.
  bool Create(HWND window, int colorBits, int depthBits, int accumBits);
  bool SetDefaultState();
  void SetViewport(int x, int y, int width, int height, bool remember);
  void RestoreViewport(); // back to the rectangle of the last remembering SetViewport
  // A new 2D texture from `pixels` (one unsigned byte per component, `format`
  // as internal and pixel format), left bound to GL_TEXTURE_2D.
  GLuint CreateTexture(int width, int height, GLenum format, int minFilter, int magFilter, int wrapS, int wrapT,
                       unsigned int envMode, const unsigned char *pixels);
  GLuint DeleteTexture(GLuint name);
  bool Release();

  HWND window;                       // set by Create
  HDC deviceContext;                 // GetDC(window), held until Release
  Rect viewport;                     // the remembered viewport
  PIXELFORMATDESCRIPTOR pixelFormat; // the request as Create filled it
  HGLRC renderContext;               // wglCreateContext's result
  std::string renderer;              // glGetString(GL_RENDERER)
  std::string vendor;                // glGetString(GL_VENDOR)
  std::string version;               // glGetString(GL_VERSION)
  std::string extensions;            // glGetString(GL_EXTENSIONS)
};
