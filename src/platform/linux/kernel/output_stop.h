// SPDX-License-Identifier: MIT
// Between the output files' stop handler (kernel) and the display's (user):
// the display turns a stop into a window close, and leaves the output
// files' handler to run where the process dies of the signal.
#pragma once
#ifdef _WIN32
#error "This header is the Linux back end's: Windows has its own USER, GDI and kernel"
#endif

namespace platform {

// True for the handler RemoveOutputsOnStop installs: the display may take
// the signal over from it, keeping it as the handler the signal passes on to.
bool IsOutputStopHandler(void (*handler)(int));

} // namespace platform
