// The data file on Windows: in the current folder or the program's own, where
// an installer or an unpacked archive puts it beside zarvox.exe.
#include "platform/data_folder.h"

#include <io.h>
#include <windows.h>

namespace platform {

std::vector<std::string> DataFolders() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path)
    return {};
  const std::string program(path, length);
  const size_t slash = program.find_last_of("\\/");
  if (slash == std::string::npos)
    return {};
  return {program.substr(0, slash)};
}

bool ChangeToDataFolder(const char *name) {
  if (_access(name, 4) == 0)
    return false;
  for (const std::string &folder : DataFolders())
    if (_access((folder + "\\" + name).c_str(), 4) == 0 && SetCurrentDirectoryA(folder.c_str()))
      return true;
  return false;
}

std::string DataFoldersText() {
  std::string text;
  for (const std::string &folder : DataFolders())
    text += (text.empty() ? "" : ", ") + folder;
  return text;
}

} // namespace platform
