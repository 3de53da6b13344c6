// SPDX-License-Identifier: MIT
// Output files over Win32, through the wide-character calls: temporary files
// made with CREATE_NEW and delete sharing (so that the console's stop, which
// Windows runs on a thread of its own, can remove one the writer holds
// open), renamed into place with MoveFileEx.
#include "common/output_file.h"

#include "kernel/wide.h"
#include "platform/output_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {
namespace {

// The temporary files a stop removes. The console's handler may read them at
// any moment: it takes only entries marked live, each marked once its file
// exists (a name that was someone else's is never removed) and unmarked only
// once it is gone or renamed.
enum : LONG { kFree, kTaken, kLive };
struct Pending {
  volatile LONG state;
  wchar_t path[1024];
};
Pending pendingFiles[64]; // enough for a capture's frames written on 32 threads

BOOL WINAPI OnConsoleStop(DWORD event) {
  RemovePendingFiles();
  _exit(128 + (event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM));
}

std::FILE *StreamOf(HANDLE handle, int flags, const char *mode) {
  const int fd = _open_osfhandle(intptr_t(handle), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE *stream = _fdopen(fd, mode);
  if (stream == nullptr)
    _close(fd);
  return stream;
}

void Free(Pending &file) {
  InterlockedExchange(&file.state, kFree);
}

} // namespace

void RemovePendingFiles() {
  for (Pending &file : pendingFiles)
    if (InterlockedCompareExchange(&file.state, kLive, kLive) == kLive)
      DeleteFileW(file.path);
}

void RemoveOutputsOnStop() {
  static volatile LONG installed = 0;
  if (InterlockedExchange(&installed, 1) == 0)
    SetConsoleCtrlHandler(OnConsoleStop, TRUE);
}

const char *StopName(int signal) {
  return signal == SIGINT ? "Ctrl+C" : signal == SIGBREAK ? "Ctrl+Break" : "a stop";
}

OutputTarget OutputTargetOf(const std::string &path) {
  // Asked of the object itself: devices (NUL, CON, COM1) and pipes have no
  // attributes to read.
  const HANDLE handle =
      CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? OutputTarget::kNothing
                                                                          : OutputTarget::kRegular;
  }
  OutputTarget target = OutputTarget::kOther;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) == FILE_TYPE_DISK)
    target = GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                 ? OutputTarget::kFolder
                 : OutputTarget::kRegular;
  CloseHandle(handle);
  return target;
}

std::FILE *OpenOutputDirectly(const std::string &path, std::string *why) {
  const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::FILE *stream = handle != INVALID_HANDLE_VALUE ? StreamOf(handle, _O_WRONLY, "wb") : nullptr;
  if (stream == nullptr)
    *why = ErrorText(GetLastError());
  return stream;
}

int CreatePendingFile(const std::string &folder, const std::string &name, bool ownerOnly, std::FILE **stream,
                      bool *taken, std::string *why) {
  *taken = false;
  const std::wstring path = WideFromUtf8(folder + name);
  if (path.size() >= sizeof pendingFiles[0].path / sizeof(wchar_t)) {
    *why = ErrorText(ERROR_FILENAME_EXCED_RANGE);
    return -1;
  }
  RemoveOutputsOnStop();
  int entry = 0;
  while (entry < int(sizeof pendingFiles / sizeof pendingFiles[0]) &&
         InterlockedCompareExchange(&pendingFiles[entry].state, kTaken, kFree) != kFree)
    ++entry;
  if (entry == int(sizeof pendingFiles / sizeof pendingFiles[0])) {
    *why = "too many files written at once";
    return -1;
  }
  Pending &file = pendingFiles[entry];
  // The temporary folder is the user's own; a file beside the path takes
  // what its folder gives.
  const HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                  ownerOnly ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    *taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    *why = ErrorText(error);
    Free(file);
    return -1;
  }
  std::memcpy(file.path, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  InterlockedExchange(&file.state, kLive);
  *stream = StreamOf(handle, _O_RDWR, "w+b");
  if (*stream == nullptr) {
    *why = std::strerror(errno);
    RemovePendingFile(entry);
    return -1;
  }
  return entry;
}

bool RenamePendingFile(int entry, const std::string &folder, const std::string &name, std::string *why) {
  Pending &file = pendingFiles[entry];
  if (!MoveFileExW(file.path, WideFromUtf8(folder + name).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    *why = ErrorText(GetLastError());
    return false;
  }
  Free(file);
  return true;
}

void RemovePendingFile(int entry) {
  Pending &file = pendingFiles[entry];
  DeleteFileW(file.path);
  Free(file);
}

std::string TemporaryFolder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length > 0 && length <= MAX_PATH ? Utf8FromWide(std::wstring(folder, length)) : std::string(".\\");
}

bool TruncateFile(std::FILE *stream, int64_t size) {
  const HANDLE handle = HANDLE(_get_osfhandle(_fileno(stream)));
  LARGE_INTEGER at;
  at.QuadPart = size;
  if (handle != INVALID_HANDLE_VALUE && SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle))
    return true;
  errno = EIO;
  return false;
}

uint64_t NameSeed() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return uint64_t(GetCurrentProcessId()) * 0x9E3779B97F4A7C15ull ^ uint64_t(count.QuadPart);
}

bool CheckOutputPath(const std::string &path, std::string *why) {
  const std::wstring name = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  HANDLE handle;
  if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
    // Nothing there: made only as a new file, gone when closed.
    handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *why = "it is a folder";
    return false;
  } else
    handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *why = ErrorText(GetLastError());
    return false;
  }
  CloseHandle(handle);
  return true;
}

long WriteSome(int fd, const void *data, size_t size) {
  return _write(fd, data, unsigned(std::min<size_t>(size, 1u << 30)));
}

bool WriteStandardOutput(const void *data, size_t size, std::string *why) {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
  return WriteAll(_fileno(stdout), data, size, why);
}

bool StandardOutputIsTerminal() {
  return _isatty(_fileno(stdout)) != 0;
}

bool StandardInputIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}

} // namespace platform
