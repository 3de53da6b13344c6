// SPDX-License-Identifier: MIT
// The private log over POSIX: a folder held by its descriptor, and a file in
// it checked for what it is before anything is written.
#include "platform/private_log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// mkdir -p with mode 0700 for the parts that are missing.
bool MakeFolders(const std::string &path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
      return false;
  return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// Whether the folder `path`, or where it does not exist yet the nearest
// folder above it that does, belongs to the effective user: the folders made
// below it then land among the user's own.
bool OwnedHere(std::string path) {
  struct stat info;
  while (stat(path.c_str(), &info) != 0) {
    const size_t slash = path.rfind('/');
    if (errno != ENOENT || slash == std::string::npos)
      return false;
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
  return info.st_uid == geteuid();
}

} // namespace

bool StateFolder(const char *name, char *folder, size_t size) {
  const char *state = std::getenv("XDG_STATE_HOME");
  std::string base, path;
  if (state != nullptr && state[0] == '/') {
    base = state;
    path = base + "/" + name;
  } else {
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const struct passwd *user = getpwuid(geteuid());
      home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/')
      return false;
    base = home;
    path = base + "/.local/state/" + name;
  }
  if (path.size() >= size || !OwnedHere(base) || !MakeFolders(path))
    return false;
  std::memcpy(folder, path.c_str(), path.size() + 1);
  return true;
}

int OpenLogFolder(const char *folder) {
  const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
      (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void CloseLogFolder(int handle) {
  if (handle >= 0)
    close(handle);
}

int OpenLogFile(int handle, const char *name, bool truncate) {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (truncate ? 0 : O_APPEND);
  const int fd = openat(handle, name, flags, 0600);
  if (fd < 0)
    return -1;
  // A hard link would carry the entries to a file elsewhere; emptied only
  // once all that holds.
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() || info.st_nlink != 1 ||
      fchmod(fd, 0600) != 0 || (truncate && ftruncate(fd, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

} // namespace platform
