// SPDX-License-Identifier: MIT
// The folders of a search list such as PATH, in order; an empty entry is the
// current folder, as shells take it.
#pragma once
#include <string>
#include <vector>

namespace platform {

inline std::vector<std::string> SearchFolders(const std::string &list, char separator) {
  std::vector<std::string> folders;
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(separator, start);
    if (end == std::string::npos)
      end = list.size();
    folders.push_back(end > start ? list.substr(start, end - start) : std::string("."));
    start = end + 1;
  }
  return folders;
}

} // namespace platform
