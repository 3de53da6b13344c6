// SPDX-License-Identifier: MIT
// WGL in the browser: the canvas's one WebGL context behind every HGLRC the
// show makes; SwapBuffers hands the frame to the page and waits for the
// browser's next frame, paced to the show's rate. Also the session: what the
// program starts and ends with.
#include "user/layer.h"

#include "common/present.h"
#include "gl/gl_state.h"
#include "kernel/yield.h"
#include "platform/gdi.h"
#include "platform/session.h"
#include "platform/tap.h"
#include "platform/wgl.h"

#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <vector>

struct HGLRC__ {
  platform::CanvasWindow *window; // whose canvas it draws on
};

namespace {

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl = 0; // the canvas's context, made once
std::vector<HGLRC__ *> contexts;
HGLRC current = nullptr;
// The HGLRC whose GL state the canvas's context holds. WebGL has one context
// per canvas, so a second HGLRC made current starts from GL's initial state
// (the show makes one).
HGLRC attached = nullptr;
std::string lastFailure;
int framesPresented = 0;
bool drawFailed = false;

bool IsContext(HGLRC context) {
  return std::find(contexts.begin(), contexts.end(), context) != contexts.end();
}

bool MakeWebGl() {
  if (webgl > 0)
    return true;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = false;
  attributes.depth = true;
  attributes.stencil = false;
  attributes.antialias = false;
  attributes.premultipliedAlpha = false;
  // The frame stays readable after the page composited it (frame taps, tests).
  attributes.preserveDrawingBuffer = true;
  attributes.majorVersion = 1;
  webgl = emscripten_webgl_create_context("#zarvox-canvas", &attributes);
  return webgl > 0;
}

} // namespace

namespace platform {

void ReportDrawFailure(const std::string &what) {
  drawFailed = true;
  lastFailure = what;
  std::fprintf(stderr, "zarvox: %s\n", what.c_str());
}

void CountDisplayChange() {}

void ReleaseGlFrom(CanvasWindow *window) {
  if (current != nullptr && current->window == window) {
    emscripten_webgl_make_context_current(0);
    current = nullptr;
  }
  for (HGLRC context : contexts)
    if (context->window == window)
      context->window = nullptr;
}

bool OpenDisplay(std::string *why) {
  (void)why;
  return true; // the page is the display
}

void KeepHelpersWithProcess() {}

bool CouldNotDraw() {
  return drawFailed && framesPresented == 0;
}

void Shutdown() {
  zarvox_page_hide_canvas();
}

} // namespace platform

const char *PlatformLastDrawFailure(void) {
  return lastFailure.empty() ? nullptr : lastFailure.c_str();
}

int PlatformStopSignal(void) {
  return 0; // a page has no signals: it is closed, and everything with it
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request) {
  if (platform::CanvasFromDc(dc) == nullptr || request == nullptr || request->iPixelType != PFD_TYPE_RGBA ||
      !(request->dwFlags & PFD_SUPPORT_OPENGL))
    return 0;
  return 1; // the one WebGL format: 8-bit RGB, 16 or more bits of depth
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *) {
  platform::CanvasWindow *window = platform::CanvasFromDc(dc);
  if (window == nullptr || format != 1)
    return FALSE;
  window->pixelFormat = format;
  return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
  platform::CanvasWindow *window = platform::CanvasFromDc(dc);
  if (window == nullptr || window->pixelFormat == 0)
    return nullptr;
  if (!MakeWebGl()) {
    platform::ReportDrawFailure("cannot make a WebGL context for the window \"" + window->title +
                                "\": the browser has WebGL turned off or unavailable");
    return nullptr;
  }
  auto *context = new HGLRC__{window};
  contexts.push_back(context);
  return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
  if (context == nullptr) {
    current = nullptr;
    return TRUE;
  }
  platform::CanvasWindow *window = platform::CanvasFromDc(dc);
  if (window == nullptr || window->pixelFormat == 0 || !IsContext(context))
    return FALSE;
  if (emscripten_webgl_make_context_current(webgl) != EMSCRIPTEN_RESULT_SUCCESS)
    return FALSE;
  context->window = window;
  current = context;
  if (attached != context) {
    if (!WebGlAttach(window->width, window->height))
      return FALSE;
    attached = context;
  }
  return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
  if (!IsContext(context))
    return FALSE;
  if (current == context)
    current = nullptr;
  if (attached == context) {
    WebGlDetach();
    attached = nullptr;
  }
  contexts.erase(std::find(contexts.begin(), contexts.end(), context));
  delete context;
  return TRUE;
}

HGLRC wglGetCurrentContext(void) {
  return current;
}

BOOL SwapBuffers(HDC dc) {
  platform::CanvasWindow *window = platform::CanvasFromDc(dc);
  if (window == nullptr)
    return FALSE;
  const bool ready = current != nullptr && current->window == window;
  platform::BeforePresent(ready ? window->width : 0, ready ? window->height : 0, ready);
  if (!ready)
    return FALSE;
  ++framesPresented;
  // The browser shows what was drawn once the program yields to it: on its
  // next frame, unless the pacing's wait already yielded.
  if (!platform::TakeYield())
    zarvox_page_wait_frame();
  return TRUE;
}
