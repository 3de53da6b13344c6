// SPDX-License-Identifier: MIT
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
#include <windows.h>

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

bool PlatformDescribeFile(std::FILE *file, PlatformFileFacts *facts) {
  // The C library's st_ino is always 0 here; the system keeps a file index.
  BY_HANDLE_FILE_INFORMATION info;
  const HANDLE handle = HANDLE(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
    return false;
  // FILETIME counts 100 ns from 1601; Unix seconds from 1970.
  const uint64_t written = uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime;
  facts->size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  facts->modified = int64_t(written / 10000000) - 11644473600LL;
  facts->executable = false;
  facts->volume = info.dwVolumeSerialNumber;
  facts->index = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  return true;
}

bool PlatformLocalTime(int64_t seconds, std::tm *local) {
  const __time64_t t = seconds;
  return _localtime64_s(local, &t) == 0;
}
