// SPDX-License-Identifier: MIT
// Passwords the tools take without a command line, where every local user
// can read them (ps, /proc/PID/cmdline): from a file, from standard input,
// or typed at the terminal without being shown. UTF-8, as the command line
// gives them. Not a Win32 call; no SDL.
#pragma once
#include <string>

namespace platform {

// Reads a password from `file`, a regular file, or standard input for "-":
// its first line without the line end. At the terminal, with "-", it asks
// with `prompt` on standard error and shows nothing typed, twice with
// `confirm` (the two must agree). False with one line in `*why`.
bool ReadPassword(const std::string &file, const char *prompt, bool confirm, std::string *password, std::string *why);

// Reads one line typed at the terminal (standard input) without showing it;
// false when standard input is no terminal or nothing could be read. The
// terminal is set back as it was, also when a signal ends the process.
bool ReadHiddenLine(const char *prompt, std::string *line);

} // namespace platform
