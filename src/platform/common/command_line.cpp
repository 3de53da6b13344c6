// SPDX-License-Identifier: MIT
// The command-line convention shared by every program.
#include "platform/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *programName = "zarvox"; // as the program names itself in messages (a literal or argv)
int outputFailure = 0;              // the system's reason for the first failed flush of standard output

// Standard output leaves the process here: a full disk, a closed pipe or a
// closed descriptor must not pass for success, whatever the program printed
// and however it checked. Runs after main() returns, or exit() is called,
// and turns the status into a failure that says why.
void CloseStandardOutput() {
  bool failed = !PlatformFlushStandardOutput();
  errno = 0;
  // Closing may report a failure of its own (a network file system's); a
  // descriptor that was never open only matters if something was written.
  if (std::fclose(stdout) != 0 && errno != EBADF && !failed) {
    outputFailure = errno;
    failed = true;
  }
  if (!failed)
    return;
  if (outputFailure != 0)
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", programName, std::strerror(outputFailure));
  else // the stream lost the reason with the text it could not write
    std::fprintf(stderr, "%s: cannot write to standard output: a write failed\n", programName);
  std::_Exit(kExitFailure);
}

// Writes `text` to standard output; 0 when it all got there, else 1.
int Answer(const char *text) {
  const bool written = std::fputs(text, stdout) >= 0;
  if (!written && outputFailure == 0)
    outputFailure = errno;
  return PlatformFlushStandardOutput() && written ? 0 : kExitFailure;
}

} // namespace

void PlatformCheckStandardOutputAtExit(const char *program) {
  static bool registered = false;
  programName = program;
  if (!registered)
    registered = std::atexit(CloseStandardOutput) == 0;
}

const char *PlatformProgramName() {
  return programName;
}

bool PlatformFlushStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 && outputFailure == 0)
    outputFailure = errno;
  return std::ferror(stdout) == 0;
}

int PlatformAnswerHelpOrVersion(int argc, char *const *argv, const char *program, const char *usage) {
  PlatformCheckStandardOutputAtExit(program);
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
      return Answer(usage);
    if (std::strcmp(argv[i], "--version") == 0)
      return Answer((std::string(program) + " " + PlatformVersion() + "\n").c_str());
  }
  return -1;
}

int PlatformUsageError(const char *program, const std::string &message) {
  std::fprintf(stderr, "%s: %s (try --help)\n", program, message.c_str());
  return kExitUsage;
}

bool PlatformTakeNames(int argc, char *const *argv, const char *program, std::vector<std::string> *names) {
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    if (!optionsDone && std::strcmp(argv[i], "--") == 0) {
      optionsDone = true;
    } else if (!optionsDone && argv[i][0] == '-' && argv[i][1] != '\0') {
      PlatformUsageError(program, std::string("unknown option ") + argv[i]);
      return false;
    } else {
      names->push_back(argv[i]);
    }
  }
  return true;
}
