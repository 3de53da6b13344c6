// SPDX-License-Identifier: MIT
// The show's options and usage text.
#include "common/show_options.h"

#include "platform/command_line.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

const char kUsage[] = "usage: zarvox [--frame-rate N|display] [--help] [--version]\n"
                      "Plays the show: a setup dialog, then 128 seconds of effects to music.\n"
                      "  --frame-rate N        present at most N frames a second, 24 to 1000 (default 60:\n"
                      "                        the show's animation advances once per frame and was made\n"
                      "                        for 60, so other rates play it slower or faster)\n"
                      "  --frame-rate display  no pacing: as fast as the display and driver allow\n"
                      "  --help                this text\n"
                      "  --version             the version\n";

// "display" -> 0; a whole number from 24 to 1000 -> itself; else -1.
int ParseFrameRate(const char *text) {
  if (std::strcmp(text, "display") == 0)
    return 0;
  char *end = nullptr;
  const long rate = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && rate >= 24 && rate <= 1000 ? int(rate) : -1;
}

ShowOptions UsageError(const char *name, const std::string &message) {
  ShowOptions options;
  options.status = kExitUsage;
  options.err = std::string(name) + ": " + message + " (try --help)\n";
  return options;
}

} // namespace

ShowOptions ReadShowOptions(int argc, const char *const *argv, const char *name, const std::string &notes) {
  PlatformCheckStandardOutputAtExit(name);
  ShowOptions options;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (!optionsDone && std::strcmp(arg, "--") == 0) {
      optionsDone = true;
      continue;
    }
    if (!optionsDone && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
      options.status = 0;
      options.out = kUsage + notes;
      return options;
    }
    if (!optionsDone && std::strcmp(arg, "--version") == 0) {
      options.status = 0;
      options.out = std::string("zarvox ") + PlatformVersion() + "\n";
      return options;
    }
    const bool joined = !optionsDone && std::strncmp(arg, "--frame-rate=", 13) == 0;
    if (joined || (!optionsDone && std::strcmp(arg, "--frame-rate") == 0)) {
      const char *value = joined ? arg + 13 : i + 1 < argc ? argv[++i] : "";
      const int rate = ParseFrameRate(value);
      if (rate < 0)
        return UsageError(name, "--frame-rate takes a whole number from 24 to 1000 or \"display\", not \"" +
                                    std::string(value) + "\"");
      options.frameRate = rate;
      continue;
    }
    if (!optionsDone && arg[0] == '-' && arg[1] != '\0')
      return UsageError(name, "unknown option \"" + std::string(arg) + "\"");
    // The show takes no names: a stray word is more likely a mistyped option
    // than something the viewer meant to be ignored.
    return UsageError(name, "takes no arguments, not \"" + std::string(arg) + "\"");
  }
  return options;
}

} // namespace platform
