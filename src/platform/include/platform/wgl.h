// SPDX-License-Identifier: MIT
// WGL over an SDL OpenGL context. A window carries one drawable (its HDC);
// pixel formats describe what SDL is asked for when the drawable is made.
#pragma once
#ifdef _WIN32
#error                                                                                                                 \
    "This header stands in for Win32 on other systems: on Windows include platform/windows.h, which is the system's own"
#endif
#include "platform/win32_types.h"

// Returns a format index (>= 1) for the request: double-buffered RGBA with the
// asked colour (24 or more: 8 bits a channel, 16: 5-6-5, 15: 5-5-5), alpha,
// depth, stencil and accumulation depths. 0 when the request cannot be met at
// all (a null record, colour-index, not drawable to a window with OpenGL, or
// single-buffered). The same request always gives the same index.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request);

// Fixes the drawable's format: as on Win32 a window's format is set once
// (setting the same index again succeeds, another one fails). SDL needs the
// format before a window exists, so the window's native SDL window is made
// anew here when it was made with another format; the HWND stays the same.
// Where the display lacks the format, the closest it offers is taken,
// dropping in turn accumulation, stencil, alpha, then depth beyond 16 bits.
// FALSE for an unknown index, a dead drawable or a display without OpenGL.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *request);

// A legacy (compatibility) OpenGL context for the drawable's format, so that
// GL 1.1 immediate mode and GLU work. Not made current (the calling thread's
// current context is kept). Vsync is asked for (see PlatformSetSwapInterval);
// a driver that refuses a swap interval is accepted. NULL before
// SetPixelFormat or when the driver makes no context.
HGLRC wglCreateContext(HDC dc);
// Makes `context` current on `dc`'s window; (any, NULL) releases the current
// context. FALSE for a dead drawable or context.
BOOL wglMakeCurrent(HDC dc, HGLRC context);
// Deletes the context, releasing it first if it is current. FALSE for an
// unknown handle.
BOOL wglDeleteContext(HGLRC context);
HGLRC wglGetCurrentContext(void);

// Presents the back buffer of the window, no sooner than the frame pacing's
// next slot (60 frames a second unless set otherwise, see platform/tap.h). A
// frame tap (platform/tap.h) first sees the finished back buffer, when the
// window's context is current.
BOOL SwapBuffers(HDC dc);
