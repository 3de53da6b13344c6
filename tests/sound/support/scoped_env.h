// SPDX-License-Identifier: MIT
// Sets an environment variable for the length of a scope, then puts back
// what was there. SDL reads its audio variables when FSOUND opens a device.
// Also names scratch files that no other test run on the machine shares.
#pragma once
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace soundtest {

// `name` in the temporary folder, made unique to this process.
inline std::string ScratchPath(const std::string &name) {
  const char *folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/zarvox-sound-" +
         std::to_string(getpid()) + "-" + name;
}

class ScopedEnv {
public:
  ScopedEnv(const char *name_, const char *value) : name(name_) {
    const char *old = std::getenv(name_);
    hadValue = old != nullptr;
    if (hadValue)
      oldValue = old;
    if (value != nullptr)
      setenv(name_, value, 1);
    else
      unsetenv(name_);
  }
  ~ScopedEnv() {
    if (hadValue)
      setenv(name.c_str(), oldValue.c_str(), 1);
    else
      unsetenv(name.c_str());
  }
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
  std::string name;
  std::string oldValue;
  bool hadValue = false;
};

} // namespace soundtest
