// SPDX-License-Identifier: MIT
// Paths on Linux: bytes as given, '/' between folders.
#include "platform/path.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

const char kPathSeparators[] = "/";

size_t DriveLength(const std::string &) {
  return 0;
}

bool IsAbsolutePath(const std::string &path) {
  return !path.empty() && path[0] == '/';
}

PathKind KindOfPath(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0)
    return PathKind::kNothing;
  return S_ISREG(info.st_mode) ? PathKind::kFile : S_ISDIR(info.st_mode) ? PathKind::kFolder : PathKind::kOther;
}

bool MakeFolder(const std::string &path, bool *existed, std::string *why) {
  *existed = false;
  if (mkdir(path.c_str(), 0777) == 0)
    return true;
  *existed = errno == EEXIST;
  *why = std::strerror(errno);
  return false;
}

bool RemoveFolder(const std::string &path) {
  return rmdir(path.c_str()) == 0;
}

bool RemoveFile(const std::string &path) {
  return unlink(path.c_str()) == 0;
}

std::string CurrentFolder() {
  std::string path(256, '\0');
  while (getcwd(&path[0], path.size()) == nullptr) {
    if (errno != ERANGE)
      return std::string();
    path.resize(path.size() * 2);
  }
  return path.c_str();
}

} // namespace platform
