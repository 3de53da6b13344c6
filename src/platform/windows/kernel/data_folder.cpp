// SPDX-License-Identifier: MIT
// The data file on Windows: in the current folder or the program's own, where
// an installer or an unpacked archive puts it beside zarvox.exe. Through the
// wide-character calls, so that a folder of any name works.
#include "platform/data_folder.h"

#include "kernel/wide.h"

#include <io.h>
#include <windows.h>

namespace platform {

std::vector<std::string> DataFolders() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
    if (length == 0)
      return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2); // cut short: a long path (\\?\...)
  }
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos)
    return {};
  return {Utf8FromWide(path.substr(0, slash))};
}

bool FindDataFile(const char *name) {
  if (_waccess(WideFromUtf8(name).c_str(), 4) == 0)
    return false;
  for (const std::string &folder : DataFolders())
    if (_waccess(WideFromUtf8(folder + "\\" + name).c_str(), 4) == 0 &&
        SetCurrentDirectoryW(WideFromUtf8(folder).c_str()))
      return true;
  return false;
}

} // namespace platform
