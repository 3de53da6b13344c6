// SPDX-License-Identifier: MIT
// The window frame this layer reports: fixed sizes by style, used alike by
// AdjustWindowRectEx (client to outer) and by window creation (outer back to
// client), so a client area always comes out at the size that was asked for.
#pragma once
#ifdef _WIN32
#error "This header is the Linux back end's: Windows has its own USER, GDI and kernel"
#endif
#include "platform/win32_types.h"

namespace platform {

// How far the outer rectangle reaches beyond the client area on each side.
RECT FrameInsets(DWORD style, DWORD exStyle);

} // namespace platform
