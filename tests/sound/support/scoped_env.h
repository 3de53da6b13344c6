// Sets an environment variable for the length of a scope, then puts back
// what was there. SDL reads its audio variables when FSOUND opens a device.
#pragma once
#include <cstdlib>
#include <string>

namespace soundtest {

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
