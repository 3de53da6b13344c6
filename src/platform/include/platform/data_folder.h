// SPDX-License-Identifier: MIT
// Where the programs find their data file. A Windows program started from its
// icon runs in its own folder and opens its data by a relative name; a Linux
// program runs wherever its launcher was, and an installed one keeps its data
// apart from its binary. The programs' main() therefore finds the folder that
// holds the file before the show's code opens it by its relative name.
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

// When the current folder holds no readable file `name`, takes it from the
// first of DataFolders() that does. Linux: the working folder stays, so that
// every relative path the user gave (an argument, an environment variable a
// library reads) keeps its meaning; PlatformOpenRegularFile(name) opens the
// data folder's file from then on. Windows: changes to that folder, where a
// program started from its icon runs anyway. True when the working folder
// changed (relative paths taken before then mean something else now).
bool FindDataFile(const char *name);

// DataFolders() as one line for messages: "A, B, C".
inline std::string DataFoldersText() {
  std::string text;
  for (const std::string &folder : DataFolders())
    text += (text.empty() ? "" : ", ") + folder;
  return text;
}

} // namespace platform
