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
