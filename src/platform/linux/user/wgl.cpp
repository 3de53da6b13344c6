// SPDX-License-Identifier: MIT
// WGL over SDL's OpenGL support: pixel formats, contexts, buffer swaps paced
// to the show's frame rate, and the frame tap and call counts that tests and
// the capture tool read.
#include "common/present.h"
#include "user/layer.h"

#include "platform/command_line.h"
#include "platform/session.h"
#include "platform/tap_linux.h"
#include "platform/wgl.h"

#include <SDL_opengl.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

struct HGLRC__ {
  SDL_GLContext context;
};

namespace platform {

// The show's own request (32-bit colour, 8 alpha, 24 depth, 8 stencil), so
// that its window needs no second native window when the format is set.
const GlFormat kDefaultGlFormat = {8, 8, 8, 8, 24, 8, 0};

namespace {

std::vector<GlFormat> formats;  // pixel format n is formats[n - 1]
std::vector<HGLRC> contexts;    // every live rendering context
PlatformCallCounts counts = {}; // what PlatformGetCallCounts reports
uint64_t framesPresented = 0;   // swaps of a window with its context current: frames that reached the screen
std::string lastFailure;        // the latest ReportDrawFailure, for PlatformLastDrawFailure

// The OpenGL driver (Mesa's *_dri.so and what it pulls in) keeps state in its
// own globals that it never frees. Closing the display at exit would unload
// it and leave that memory unreachable and nameless, which LeakSanitizer then
// reports with no library to suppress it by. Once a context exists the
// driver is marked to stay loaded until the process ends, which it does right
// after the display closes.
int PinDriver(struct dl_phdr_info *info, size_t, void *) {
  const char *name = info->dlpi_name;
  if (name != nullptr && std::strstr(name, "_dri.so") != nullptr)
    dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE); // a reference never dropped
  return 0;
}

void KeepDriverLoaded() {
  static bool pinned = false;
  if (!pinned) {
    pinned = true;
    dl_iterate_phdr(PinDriver, nullptr);
  }
}

bool IsContext(HGLRC context) {
  return context != nullptr && std::find(contexts.begin(), contexts.end(), context) != contexts.end();
}

GlFormat FormatFor(const PIXELFORMATDESCRIPTOR &request) {
  GlFormat f{};
  if (request.cColorBits >= 24) {
    f.red = f.green = f.blue = 8;
  } else if (request.cColorBits == 16) {
    f.red = 5, f.green = 6, f.blue = 5;
  } else if (request.cColorBits == 15) {
    f.red = f.green = f.blue = 5;
  } else {
    f.red = 3, f.green = 3, f.blue = 2;
  }
  f.alpha = request.cAlphaBits;
  f.depth = request.cDepthBits;
  f.stencil = request.cStencilBits;
  f.accum = request.cAccumBits / 4;
  return f;
}

} // namespace

void ReleaseGlFrom(TopWindow *window) {
  if (window->sdl != nullptr && SDL_GL_GetCurrentWindow() == window->sdl && SDL_GL_GetCurrentContext() != nullptr)
    SDL_GL_MakeCurrent(window->sdl, nullptr);
}

void DeleteAllContexts() {
  for (HGLRC context : contexts) {
    SDL_GL_DeleteContext(context->context);
    delete context;
  }
  contexts.clear();
}

void CountDisplayChange() {
  ++counts.displayChanges;
}

void ReportDrawFailure(const std::string &what) {
  lastFailure = what;
  std::fprintf(stderr, "%s: %s\n", PlatformProgramName(), what.c_str());
}

bool CouldNotDraw() {
  return !lastFailure.empty() && framesPresented == 0;
}

} // namespace platform

using namespace platform;

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request) {
  if (TopWindowFromDc(dc) == nullptr || request == nullptr || request->iPixelType != PFD_TYPE_RGBA ||
      !(request->dwFlags & PFD_SUPPORT_OPENGL))
    return 0;
  const GlFormat wanted = FormatFor(*request);
  auto found = std::find(formats.begin(), formats.end(), wanted);
  if (found == formats.end())
    found = formats.insert(formats.end(), wanted);
  return int(found - formats.begin()) + 1;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *) {
  TopWindow *window = TopWindowFromDc(dc);
  if (window == nullptr || format < 1 || size_t(format) > formats.size())
    return FALSE;
  if (window->pixelFormat != 0)
    return window->pixelFormat == format;
  const GlFormat &wanted = formats[size_t(format) - 1];
  // The window was made with the default format where the display has
  // OpenGL; only a different request needs a new native window.
  const bool madeForIt = window->glCapable && window->glRequested == wanted;
  if (!madeForIt && !window->RemakeNative(wanted)) {
    char format[96];
    std::snprintf(format, sizeof format, "%d-bit colour, %d-bit alpha, %d-bit depth, %d-bit stencil",
                  wanted.red + wanted.green + wanted.blue, wanted.alpha, wanted.depth, wanted.stencil);
    ReportDrawFailure("cannot give the window \"" + window->title + "\" an OpenGL pixel format (" + format +
                      "): " + window->glFailure);
    return FALSE;
  }
  window->pixelFormat = format;
  return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
  TopWindow *window = TopWindowFromDc(dc);
  if (window == nullptr || window->pixelFormat == 0 || !window->glCapable)
    return nullptr;
  SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  // GL 2.1 without a profile: the legacy context that GL 1.1 code and GLU need.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
  SDL_GLContext made = SDL_GL_CreateContext(window->sdl); // SDL makes it current
  if (made == nullptr) {
    ReportDrawFailure("cannot make an OpenGL context for the window \"" + window->title + "\": " + SDL_GetError());
    return nullptr;
  }
  KeepDriverLoaded();
  // The animations advance per frame and were made for a display-rate swap.
  // A driver that refuses a swap interval leaves it as it is.
  const int interval = RequestedSwapInterval();
  SDL_GL_SetSwapInterval(interval < 0 ? 1 : interval);
  // Unlike SDL, WGL leaves the calling thread's current context alone.
  if (previousContext != nullptr)
    SDL_GL_MakeCurrent(previousWindow, previousContext);
  else
    SDL_GL_MakeCurrent(window->sdl, nullptr);
  auto *context = new HGLRC__{made};
  contexts.push_back(context);
  return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
  ++counts.makeCurrent;
  if (context == nullptr) {
    if (SDL_GL_GetCurrentContext() != nullptr)
      SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
    return TRUE;
  }
  TopWindow *window = TopWindowFromDc(dc);
  if (window == nullptr || !window->glCapable || window->pixelFormat == 0 || !IsContext(context))
    return FALSE;
  return SDL_GL_MakeCurrent(window->sdl, context->context) == 0 ? TRUE : FALSE;
}

BOOL wglDeleteContext(HGLRC context) {
  if (!IsContext(context))
    return FALSE;
  if (SDL_GL_GetCurrentContext() == context->context)
    SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
  SDL_GL_DeleteContext(context->context);
  contexts.erase(std::find(contexts.begin(), contexts.end(), context));
  delete context;
  return TRUE;
}

HGLRC wglGetCurrentContext(void) {
  SDL_GLContext current = SDL_GL_GetCurrentContext();
  if (current == nullptr)
    return nullptr;
  for (HGLRC context : contexts)
    if (context->context == current)
      return context;
  return nullptr;
}

BOOL SwapBuffers(HDC dc) {
  ++counts.swapBuffers;
  TopWindow *window = TopWindowFromDc(dc);
  if (window == nullptr)
    return FALSE;
  if (!window->glCapable) {
    BeforePresent(0, 0, false); // a show that cannot draw still keeps its frame rate, not a whole core
    return FALSE;
  }
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(window->sdl, &width, &height);
  const bool current = SDL_GL_GetCurrentWindow() == window->sdl && SDL_GL_GetCurrentContext() != nullptr;
  BeforePresent(width, height, current);
  SDL_GL_SwapWindow(window->sdl);
  if (current)
    ++framesPresented;
  return TRUE;
}

PlatformCallCounts PlatformGetCallCounts(void) {
  return counts;
}

const char *PlatformLastDrawFailure(void) {
  return platform::lastFailure.c_str();
}
