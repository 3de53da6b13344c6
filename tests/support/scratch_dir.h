// SPDX-License-Identifier: MIT
// The test kit's temporary folder: a fresh folder under $TMPDIR (or /tmp),
// removed with everything in it, unreadable leftovers included, when the
// object goes. Path() is empty when no folder could be made.
#pragma once
#include <string>

class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::string &Path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }
  std::string File(const std::string &name) const { return *this / name; }

private:
  std::string path_;
};
