// SPDX-License-Identifier: MIT
// Whether the program handed the thread to the browser since it last asked:
// a frame must not end without one, or the page never shows it.
#pragma once
#ifndef __EMSCRIPTEN__
#error "This header is the browser back end's"
#endif

namespace platform {
bool TakeYield(); // true once after each wait that yielded
} // namespace platform
