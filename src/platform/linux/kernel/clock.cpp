// SPDX-License-Identifier: MIT
// The monotonic clock and the pacing's wait; the current directory.
#include "common/clock.h"
#include "platform/kernel.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

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
