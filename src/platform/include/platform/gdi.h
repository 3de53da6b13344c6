// SPDX-License-Identifier: MIT
// The few GDI calls the show makes: stock brushes, and the painting calls of a
// window's WM_PAINT handler. A window's content comes from OpenGL; GDI here
// measures and validates but does not draw pixels.
#pragma once
#ifdef _WIN32
#error                                                                                                                 \
    "This header stands in for Win32 on other systems: on Windows include platform/windows.h, which is the system's own"
#endif
#include "platform/win32_types.h"

// Returns a non-null token for the stock object (WHITE_BRUSH .. NULL_BRUSH),
// NULL for other numbers. Brushes are kept in the class record and used for
// nothing else.
HGDIOBJ GetStockObject(int object);

// The window's drawable, one per top-level window for its whole life (as with
// CS_OWNDC). NULL for a dead window or a dialog.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc); // 1 for the window's own drawable, else 0; it lives on with the window
// Fills *paint (hdc, rcPaint = the client rectangle) and validates the window,
// so no further WM_PAINT comes until it is exposed again.
HDC BeginPaint(HWND window, PAINTSTRUCT *paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT *paint);
BOOL GetClientRect(HWND window, RECT *rect); // 0, 0, client width, client height

// Returns the height of one line of text (16), 0 on bad arguments. No pixels
// are drawn: the windows of this program are painted by OpenGL alone, and no
// message the program routes leads here.
int DrawTextA(HDC dc, LPCSTR text, int count, RECT *rect, UINT format);
