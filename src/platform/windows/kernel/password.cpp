// SPDX-License-Identifier: MIT
// A line typed at the console without echo, read as wide characters so that
// the password has the same UTF-8 bytes as on Linux.
#include "platform/password.h"

#include "kernel/wide.h"

#include <cstdio>
#include <windows.h>

namespace platform {

bool ReadHiddenLine(const char *prompt, std::string *line) {
  const HANDLE console = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode))
    return false;
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  SetConsoleMode(console, (mode & ~DWORD(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
  std::wstring wide;
  wchar_t c;
  DWORD got = 0;
  while (ReadConsoleW(console, &c, 1, &got, nullptr) && got == 1 && c != L'\n')
    if (c != L'\r')
      wide.push_back(c);
  SetConsoleMode(console, mode);
  std::fputs("\n", stderr);
  *line = Utf8FromWide(wide);
  return !line->empty();
}

} // namespace platform
