// SPDX-License-Identifier: MIT
// What a child process is fed is written the same way on every system.
#include "platform/child_process.h"

#include "common/output_file.h"

namespace platform {

bool ChildProcess::Write(const void *data, size_t size, std::string *why) {
  return WriteAll(input, data, size, why);
}

} // namespace platform
