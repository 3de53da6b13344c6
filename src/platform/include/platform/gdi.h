// The few GDI calls the show makes: stock brushes, and the painting calls of a
// window's WM_PAINT handler. Text is drawn into the window with SDL's 2D
// renderer only when nothing else (OpenGL) owns the window's surface.
#pragma once
#include "platform/win32_types.h"

// Returns a token for the stock object; brushes only paint the background of
// windows that have no OpenGL context.
HGDIOBJ GetStockObject(int object);

HDC GetDC(HWND window);                               // the window's drawable
int ReleaseDC(HWND window, HDC dc);                   // 1; the drawable lives on with the window
HDC BeginPaint(HWND window, PAINTSTRUCT *paint);      // validates the window
BOOL EndPaint(HWND window, const PAINTSTRUCT *paint);
BOOL GetClientRect(HWND window, RECT *rect);          // 0, 0, client width, client height
int DrawTextA(HDC dc, LPCSTR text, int count, RECT *rect, UINT format);
