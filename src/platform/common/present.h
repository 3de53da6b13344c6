// SPDX-License-Identifier: MIT
// What every back end's SwapBuffers does before the system presents a frame:
// the finished back buffer goes to a tool's frame tap, then the frame waits
// for its slot on the pacing grid (platform/tap.h).
#pragma once

namespace platform {

// `width` x `height`: the window's drawable. `tapReady`: the window's context
// is current on this thread, so its back buffer can be read.
void BeforePresent(int width, int height, bool tapReady);

// The swap interval a tool asked for with PlatformSetSwapInterval; -1 where
// none was asked for (the back end's own choice).
int RequestedSwapInterval();

} // namespace platform
