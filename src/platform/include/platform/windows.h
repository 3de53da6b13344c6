// SPDX-License-Identifier: MIT
// The Win32 and WGL surface of the platform layer, as one include: what the
// show's code would take from <windows.h>. Sound (platform/fsound.h), dialog
// templates (platform/dialog_template.h) and the hooks for tests and tools
// (platform/tap.h) are separate.
#pragma once
#ifdef _WIN32
// On Windows the system is the layer: the show's calls go to USER, GDI, the
// kernel and WGL themselves.
#include <windows.h>
#ifdef _WIN64
// The show keeps an object's address with SetWindowLongA(GWL_USERDATA), which
// is pointer-wide here as on the Linux layer; on 64-bit Windows that is the
// ...LongPtr call (the 32-bit one would cut the address in half).
#define GWL_USERDATA GWLP_USERDATA
#define SetWindowLongA SetWindowLongPtrA
#define GetWindowLongA GetWindowLongPtrA
#endif
// The calls a tool observes (platform/tap.h: the counter, the loop's idle
// moment, the finished frame, a window that could not be made) go through
// the layer, which passes them on to Windows unchanged unless a hook is set.
// Same signatures and C linkage as Windows' own, so that a later declaration
// of the real name still agrees.
extern "C" {
BOOL WINAPI PlatformQueryPerformanceCounter(LARGE_INTEGER *count);
BOOL WINAPI PlatformQueryPerformanceFrequency(LARGE_INTEGER *frequency);
BOOL WINAPI PlatformPeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL WINAPI PlatformSwapBuffers(HDC deviceContext);
HWND WINAPI PlatformCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
}
#define QueryPerformanceCounter PlatformQueryPerformanceCounter
#define QueryPerformanceFrequency PlatformQueryPerformanceFrequency
#define PeekMessageA PlatformPeekMessageA
#define SwapBuffers PlatformSwapBuffers
#define CreateWindowExA PlatformCreateWindowExA // its failure's reason for PlatformLastDrawFailure
#else
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/user.h"
#include "platform/wgl.h"
#include "platform/win32_types.h"

// The program's entry point. The layer's main() calls it with a non-null
// module instance, no previous instance, the command line joined into one
// string and SW_SHOWDEFAULT, and exits with its result.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
#endif
