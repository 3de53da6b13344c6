// Files the program did not make are read only when they are regular files.
// Windows has no FIFOs to block an open; a folder or a device is still
// refused. Names are UTF-8, opened through the wide-character calls.
#include "platform/input_file.h"

#include "kernel/wide.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

int PlatformOpenRegularFile(const char *path, const char **why) {
  const char *reason = nullptr;
  // Binary: the C library would otherwise turn CR LF into LF while reading.
  const std::wstring name = platform::WideFromUtf8(path);
  int fd = _wopen(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  struct _stat64 info;
  if (fd < 0) {
    // Opening a folder fails with "Permission denied": say what it is.
    const int error = errno;
    struct _stat64 named;
    reason = _wstat64(name.c_str(), &named) == 0 && (named.st_mode & _S_IFMT) == _S_IFDIR
                 ? "a folder, not a regular file"
                 : std::strerror(error);
  } else if (_fstat64(fd, &info) != 0)
    reason = std::strerror(errno);
  else if ((info.st_mode & _S_IFMT) == _S_IFDIR)
    reason = "a folder, not a regular file";
  else if ((info.st_mode & _S_IFMT) != _S_IFREG)
    reason = "not a regular file";
  if (reason != nullptr && fd >= 0) {
    _close(fd);
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
  std::FILE *file = _fdopen(fd, "rb");
  if (file == nullptr) {
    if (why != nullptr)
      *why = std::strerror(errno);
    _close(fd);
  }
  return file;
}
