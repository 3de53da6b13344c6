// SPDX-License-Identifier: MIT
// Passwords from a file or standard input; the terminal's hidden line is the
// back end's.
#include "platform/password.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

#include <cstdio>

namespace platform {
namespace {

// The first line of `file`, without its line end (LF or CR LF).
bool FirstLine(std::FILE *file, std::string *line) {
  line->clear();
  for (int c; (c = std::fgetc(file)) != EOF && c != '\n';)
    line->push_back(char(c));
  if (!line->empty() && line->back() == '\r')
    line->pop_back();
  return !std::ferror(file);
}

} // namespace

bool ReadPassword(const std::string &file, const char *prompt, bool confirm, std::string *password, std::string *why) {
  if (file == "-" && StandardInputIsTerminal()) {
    std::string again;
    if (!ReadHiddenLine(prompt, password) || (confirm && !ReadHiddenLine("Again: ", &again))) {
      *why = "cannot read the password from the terminal";
      return false;
    }
    if (confirm && again != *password) {
      *why = "the two passwords typed differ";
      return false;
    }
    return true;
  }
  if (file == "-") {
    if (!FirstLine(stdin, password)) {
      *why = "cannot read the password from standard input";
      return false;
    }
    return true;
  }
  const char *reason = "";
  std::FILE *stream = PlatformOpenRegularFileStream(file.c_str(), &reason);
  if (stream == nullptr) {
    *why = "cannot open the password file '" + file + "': " + reason;
    return false;
  }
  const bool read = FirstLine(stream, password);
  std::fclose(stream);
  if (!read)
    *why = "cannot read the password file '" + file + "'";
  return read;
}

} // namespace platform
