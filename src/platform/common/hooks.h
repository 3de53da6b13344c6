// SPDX-License-Identifier: MIT
// The tools' hooks on the clock and the message loop (platform/tap.h), as the
// back ends consult them.
#pragma once
#include <cstdint>

namespace platform {

// True, with the tool's count in *ticks (10 MHz), while a counter source is set.
bool HookedCounter(int64_t *ticks);

// Calls the idle hook, if one is set: the message loop found no message.
void RunIdleHook();

} // namespace platform
