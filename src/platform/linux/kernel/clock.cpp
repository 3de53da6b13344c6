// SPDX-License-Identifier: MIT
// The performance counter and the tick count over the monotonic clock;
// the current directory.
#include "common/clock.h"
#include "common/hooks.h"
#include "platform/kernel.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {
// 10 MHz: one tick is 100 ns, the rate current Windows reports.
constexpr int64_t kCounterFrequency = 10000000;

} // namespace

namespace platform {

int64_t MonotonicNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void SleepUntil(int64_t until) {
  const timespec at = {time_t(until / 1000000000), long(until % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

} // namespace platform

using platform::MonotonicNanoseconds;

BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  if (frequency == nullptr)
    return FALSE;
  frequency->QuadPart = kCounterFrequency;
  return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
  if (count == nullptr)
    return FALSE;
  int64_t hooked = 0;
  count->QuadPart = platform::HookedCounter(&hooked) ? hooked : MonotonicNanoseconds() / 100;
  return TRUE;
}

DWORD GetTickCount(void) {
  return DWORD(MonotonicNanoseconds() / 1000000);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  std::string path(256, '\0');
  while (getcwd(&path[0], path.size()) == nullptr) {
    if (errno != ERANGE)
      return 0;
    path.resize(path.size() * 2);
  }
  const size_t length = std::strlen(path.c_str());
  if (buffer == nullptr || bufferLength < length + 1)
    return DWORD(length + 1);
  std::memcpy(buffer, path.c_str(), length + 1);
  return DWORD(length);
}
