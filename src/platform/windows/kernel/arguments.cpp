// SPDX-License-Identifier: MIT
// The arguments in UTF-8, from the wide-character command line as the C
// runtime itself splits it (so that quoting means what it means to argv).
#include "platform/command_line.h"

#include "kernel/wide.h"

#include <string>
#include <vector>

extern "C" {
// The C runtime's splitting of the wide command line, as wmain would get it.
struct _startupinfo;
int __wgetmainargs(int *argc, wchar_t ***argv, wchar_t ***environment, int expandWildcards, _startupinfo *info);
}

void PlatformUtf8Arguments(int *argc, char ***argv) {
  static std::vector<std::string> arguments;
  static std::vector<char *> pointers;
  int count = 0;
  wchar_t **wide = nullptr, **environment = nullptr;
  int startup[1] = {0}; // _startupinfo holds one int: new-handler mode
  if (__wgetmainargs(&count, &wide, &environment, 0, reinterpret_cast<_startupinfo *>(startup)) < 0 || wide == nullptr)
    return; // the C runtime's own, as they are
  arguments.clear();
  for (int i = 0; i < count; ++i)
    arguments.push_back(platform::Utf8FromWide(wide[i]));
  pointers.clear();
  for (std::string &argument : arguments)
    pointers.push_back(&argument[0]);
  pointers.push_back(nullptr);
  *argc = count;
  *argv = pointers.data();
}
