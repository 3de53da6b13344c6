// SPDX-License-Identifier: MIT
// The program's message queue, for the back ends that supply USER (Linux, the
// browser): posted and input messages in order, and the WM_QUIT that
// PostQuitMessage leaves due. PostMessageA, PostQuitMessage, TranslateMessage
// and DispatchMessageA are written over it once; each back end's PeekMessageA
// adds its system's events first and its own messages after.
#pragma once
#ifdef _WIN32
#error "Windows has its own USER: this header is for the back ends that supply it"
#endif
#include "platform/win32_types.h"

namespace platform {

// True when `message` passes PeekMessageA's filter (0, 0 lets all through).
bool InFilter(UINT message, UINT filterMin, UINT filterMax);
// Appends a message, stamped with the tick count.
void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The oldest queued message for `window` (NULL: any) within the filter, else
// a due WM_QUIT (for any window only); removed with PM_REMOVE. False when
// neither is there.
bool TakeQueued(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
// Drops every queued message and a due WM_QUIT (end of process).
void ForgetMessages();

} // namespace platform
