// SPDX-License-Identifier: MIT
// The private log on Windows: in the user's own %LOCALAPPDATA% (not a shared
// folder such as C:\temp, where a file opened for writing may be a link
// someone else planted), written as text.
#include "platform/private_log.h"

#include "kernel/wide.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <sys/stat.h>
#include <windows.h>

namespace platform {
namespace {

// The folders held, by handle: there is no descriptor of a folder to keep.
std::wstring heldFolders[4];

} // namespace

bool StateFolder(const char *name, char *folder, size_t size) {
  const wchar_t *local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0')
    return false;
  const std::wstring path = std::wstring(local) + L"\\" + WideFromUtf8(name);
  for (size_t separator = path.find_first_of(L"\\/", 3); separator != std::wstring::npos;
       separator = path.find_first_of(L"\\/", separator + 1))
    CreateDirectoryW(path.substr(0, separator).c_str(), nullptr);
  if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  const std::string utf8 = Utf8FromWide(path);
  if (utf8.size() >= size)
    return false;
  std::memcpy(folder, utf8.c_str(), utf8.size() + 1);
  return true;
}

int OpenLogFolder(const char *folder) {
  const std::wstring path = WideFromUtf8(folder);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return -1;
  for (int handle = 0; handle < int(sizeof heldFolders / sizeof heldFolders[0]); ++handle)
    if (heldFolders[handle].empty()) {
      heldFolders[handle] = path;
      return handle;
    }
  return -1;
}

void CloseLogFolder(int handle) {
  if (handle >= 0 && handle < int(sizeof heldFolders / sizeof heldFolders[0]))
    heldFolders[handle].clear();
}

int OpenLogFile(int handle, const char *name, bool truncate) {
  if (handle < 0 || handle >= int(sizeof heldFolders / sizeof heldFolders[0]) || heldFolders[handle].empty())
    return -1;
  const std::wstring path = heldFolders[handle] + L"\\" + WideFromUtf8(name);
  return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TEXT | _O_NOINHERIT | (truncate ? _O_TRUNC : _O_APPEND),
                _S_IREAD | _S_IWRITE);
}

} // namespace platform

int dprintf(int fd, const char *format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return n < 0 ? n : _write(fd, text, unsigned(size_t(n) < sizeof text ? n : sizeof text - 1));
}
