// SPDX-License-Identifier: MIT
// The clock in the browser: the page's monotonic clock (performance.now), and
// waits that hand the thread back to the browser, which has only the one.
#include "kernel/yield.h"

#include "common/clock.h"
#include "platform/kernel.h"

#include <emscripten.h>

#include <cstring>

extern "C" int zarvox_page_sleep(int milliseconds);

namespace {
bool yielded = false;
} // namespace

namespace platform {

int64_t MonotonicNanoseconds() {
  return int64_t(emscripten_get_now() * 1e6);
}

void SleepUntil(int64_t until) {
  const int64_t left = until - MonotonicNanoseconds();
  zarvox_page_sleep(left > 0 ? int(left / 1000000) : 0);
  yielded = true;
}

bool TakeYield() {
  const bool was = yielded;
  yielded = false;
  return was;
}

} // namespace platform

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  // The page's in-memory file system, where the data file was put.
  const char folder[] = "/";
  if (buffer == nullptr || bufferLength < sizeof folder)
    return DWORD(sizeof folder);
  std::memcpy(buffer, folder, sizeof folder);
  return DWORD(sizeof folder - 1);
}
