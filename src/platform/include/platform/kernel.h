// SPDX-License-Identifier: MIT
// Win32 kernel calls the show uses: the performance counter, MulDiv and the
// millisecond tick count over the monotonic clock, and the current directory.
// No SDL needed.
#pragma once
#ifdef _WIN32
#error                                                                                                                 \
    "This header stands in for Win32 on other systems: on Windows include platform/windows.h, which is the system's own"
#endif
#include "platform/win32_types.h"

// Always 10 MHz (one tick is 100 ns), as current Windows reports it.
BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency);

// Monotonic ticks of QueryPerformanceFrequency's rate. A test or a capture tool
// may replace the source with PlatformSetCounterSource (platform/tap.h).
BOOL QueryPerformanceCounter(LARGE_INTEGER *count);

// number * numerator / denominator with a 64-bit product, rounded to the
// nearest integer with halves away from zero, as Win32 does. -1 when the
// denominator is 0 or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator);

// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount(void);

// Writes the process's current directory (an absolute path, without a
// trailing '/' except for the root) and its terminating NUL into `buffer`.
// Returns the length written without the NUL; when `bufferLength` is too
// small, the size needed including the NUL, writing nothing; 0 on failure
// (a directory that has been removed, say).
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
