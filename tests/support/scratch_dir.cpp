// SPDX-License-Identifier: MIT
#include "scratch_dir.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

ScratchDir::ScratchDir() {
  const char *tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/zarvox-test-XXXXXX";
  if (mkdtemp(&pattern[0]) != nullptr)
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
  if (path_.empty())
    return;
  // Tests leave folders without permissions behind on purpose.
  const std::string command = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}
