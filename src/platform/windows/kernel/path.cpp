// SPDX-License-Identifier: MIT
// Paths on Windows: UTF-8 turned wide for every call, either slash between
// folders, a drive at the start.
#include "platform/path.h"

#include "kernel/wide.h"

#include <cctype>
#include <windows.h>

namespace platform {

const char kPathSeparators[] = "/\\";

size_t DriveLength(const std::string &path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])) ? 2 : 0;
}

bool IsAbsolutePath(const std::string &path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' || DriveLength(path) > 0);
}

PathKind KindOfPath(const std::string &path) {
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return PathKind::kNothing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder
         : (attributes & FILE_ATTRIBUTE_DEVICE) != 0  ? PathKind::kOther
                                                      : PathKind::kFile;
}

bool MakeFolder(const std::string &path, bool *existed, std::string *why) {
  *existed = false;
  if (CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr))
    return true;
  const DWORD error = GetLastError();
  *existed = error == ERROR_ALREADY_EXISTS;
  *why = ErrorText(error);
  return false;
}

bool RemoveFolder(const std::string &path) {
  return RemoveDirectoryW(WideFromUtf8(path).c_str()) != 0;
}

bool RemoveFile(const std::string &path) {
  return DeleteFileW(WideFromUtf8(path).c_str()) != 0;
}

std::string CurrentFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(DWORD(folder.size()), &folder[0]);
    if (length == 0)
      return std::string();
    if (length < folder.size())
      return Utf8FromWide(folder.substr(0, length));
    folder.resize(length);
  }
}

} // namespace platform
