// WGL over an SDL OpenGL context. A window carries one drawable (its HDC);
// pixel formats describe what SDL is asked for before the context is made.
#pragma once
#include "platform/win32_types.h"

// Returns a format index (>= 1) that is the closest available match to the
// request: double-buffered RGBA with the asked colour, alpha, depth, stencil
// and accumulation depths. 0 when the request cannot be met at all (not
// double-buffered RGBA drawable to a window with OpenGL).
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request);

// Fixes the drawable's format. Like Win32, a window's format can be set once.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *request);

// A legacy (compatibility) OpenGL context, so that GL 1.1 immediate mode and
// GLU work. Vsync is asked for when the context is created; a driver that
// refuses a swap interval is accepted.
HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC context);   // (NULL, NULL) releases the current context
BOOL wglDeleteContext(HGLRC context);
HGLRC wglGetCurrentContext(void);

// Presents the back buffer. A frame tap (platform/tap.h) sees the finished
// back buffer first.
BOOL SwapBuffers(HDC dc);
