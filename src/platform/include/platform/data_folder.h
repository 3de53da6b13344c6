// Where the programs find their data file. A Windows program started from its
// icon runs in its own folder and opens its data by a relative name; a Linux
// program runs wherever its launcher was, and an installed one keeps its data
// apart from its binary. The programs' main() therefore changes to the folder
// that holds the file before the show's code opens it by its relative name.
#pragma once
#include <string>
#include <vector>

namespace platform {

// The folders looked in after the current one, in order, without repeats.
// Linux: the program's own folder, its ../share/zarvox (an install under any
// prefix), $XDG_DATA_HOME/zarvox (default ~/.local/share/zarvox) and each
// $XDG_DATA_DIRS entry + /zarvox (default /usr/local/share:/usr/share).
// Windows: the program's own folder. Paths are UTF-8.
std::vector<std::string> DataFolders();

// When the current folder holds no readable file `name`, changes to the first
// of DataFolders() that does. True when it changed folder; false when the
// current folder already had the file or no folder has it (it then stays).
bool ChangeToDataFolder(const char *name);

// DataFolders() as one line for messages: "A, B, C".
inline std::string DataFoldersText() {
  std::string text;
  for (const std::string &folder : DataFolders())
    text += (text.empty() ? "" : ", ") + folder;
  return text;
}

} // namespace platform
