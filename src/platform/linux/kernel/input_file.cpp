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
} // namespace

int PlatformOpenRegularFile(const char *path, const char **why) {
  const char *reason = nullptr;
  // O_NONBLOCK: opening a FIFO then returns at once instead of waiting for a
  // writer. What the descriptor is, is then asked of the descriptor itself,
  // so that nothing can be swapped in between.
  int fd = open(platform::DataFilePath(path), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (fd < 0) {
    reason = strerror(errno);
  } else if (fstat(fd, &info) != 0) {
    reason = strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    reason = KindOf(info.st_mode);
  } else {
    const int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
      reason = strerror(errno);
  }
  if (reason != nullptr && fd >= 0) {
    close(fd);
    fd = -1;
  }
  if (why != nullptr)
    *why = reason != nullptr ? reason : "";
  return fd;
}

std::FILE *PlatformOpenRegularFileStream(const char *path, const char **why) {
  const int fd = PlatformOpenRegularFile(path, why);
  if (fd < 0)
    return nullptr;
  std::FILE *file = fdopen(fd, "rb");
  if (file == nullptr) {
    if (why != nullptr)
      *why = strerror(errno);
    close(fd);
  }
  return file;
}
