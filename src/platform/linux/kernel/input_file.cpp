// SPDX-License-Identifier: MIT
// Files the program did not make are opened without blocking and read only
// when they are regular files.
#include "platform/input_file.h"

#include "data_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char *KindOf(mode_t mode) {
  if (S_ISDIR(mode))
    return "a folder, not a regular file";
  if (S_ISFIFO(mode))
    return "a FIFO, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device, not a regular file";
  if (S_ISSOCK(mode))
    return "a socket, not a regular file";
  return "not a regular file";
}

// Closes `fd` (where it is open) and gives the reason; -1.
int Refuse(int fd, const char *reason, const char **why) {
  if (fd >= 0)
    close(fd);
  if (why != nullptr)
    *why = reason;
  return -1;
}
} // namespace

int PlatformOpenRegularFile(const char *path, const char **why) {
  // O_NONBLOCK: opening a FIFO then returns at once instead of waiting for a
  // writer. What the descriptor is, is then asked of the descriptor itself,
  // so that nothing can be swapped in between.
  const int fd = open(platform::DataFilePath(path), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return Refuse(fd, strerror(errno), why);
  struct stat info;
  if (fstat(fd, &info) != 0)
    return Refuse(fd, strerror(errno), why);
  if (!S_ISREG(info.st_mode))
    return Refuse(fd, KindOf(info.st_mode), why);
  const int flags = fcntl(fd, F_GETFL);
  if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    return Refuse(fd, strerror(errno), why);
  if (why != nullptr)
    *why = "";
  return fd;
}

std::FILE *PlatformOpenRegularFileStream(const char *path, const char **why) {
  const int fd = PlatformOpenRegularFile(path, why);
  std::FILE *file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
  if (fd >= 0 && file == nullptr)
    Refuse(fd, strerror(errno), why);
  return file;
}

bool PlatformDescribeFile(std::FILE *file, PlatformFileFacts *facts) {
  struct stat info;
  if (fstat(fileno(file), &info) != 0)
    return false;
  facts->size = uint64_t(info.st_size);
  facts->modified = int64_t(info.st_mtime);
  facts->executable = (info.st_mode & S_IXUSR) != 0;
  facts->volume = uint64_t(info.st_dev);
  facts->index = uint64_t(info.st_ino);
  return true;
}

bool PlatformLocalTime(int64_t seconds, std::tm *local) {
  const time_t t = time_t(seconds);
  return localtime_r(&t, local) != nullptr;
}
