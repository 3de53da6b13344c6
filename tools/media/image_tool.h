// SPDX-License-Identifier: MIT
// The command line of the generators that write one image: NAME OUT.png.
#pragma once
#include "image.h"
#include "platform/command_line.h"

#include <cstdio>
#include <functional>

namespace media {

// Parses the command line, draws and writes the image; the exit status.
inline int RunImageTool(int argc, char **argv, const char *program, const char *usage,
                        const std::function<Image()> &draw) {
  PlatformUtf8Arguments(&argc, &argv);
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, program, usage);
  if (answered >= 0)
    return answered;
  std::vector<std::string> names;
  if (!PlatformTakeNames(argc, argv, program, &names))
    return kExitUsage;
  if (names.size() != 1)
    return PlatformUsageError(program, names.empty() ? "no output file given" : "more than one output file given");
  std::string error;
  if (!WritePng(names[0].c_str(), draw(), &error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return kExitFailure;
  }
  return 0;
}

} // namespace media
