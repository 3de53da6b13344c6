// The command-line convention shared by every program.
#include "platform/command_line.h"

#include <cstdio>
#include <cstring>

namespace {
// Writes `text` to standard output; 0 when it all got there, else 1 (a
// closed pipe or a full disk must not pass for success).
int Answer(const char *text) {
  const bool written = std::fputs(text, stdout) >= 0;
  return std::fflush(stdout) == 0 && written ? 0 : kExitFailure;
}
} // namespace

int PlatformAnswerHelpOrVersion(int argc, char *const *argv, const char *program, const char *usage) {
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
