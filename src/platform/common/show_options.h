// SPDX-License-Identifier: MIT
// The show's command line, the same on every system: the layer takes
// --frame-rate, --help and --version before WinMain runs; the show itself
// takes no argument (WinMain's command line is empty).
#pragma once
#include <string>

namespace platform {

struct ShowOptions {
  int status = -1;    // -1: go on and run the show; else the exit status now
  std::string out;    // for standard output (--help, --version)
  std::string err;    // for standard error (a usage error, one line)
  int frameRate = 60; // frames a second for PlatformSetFrameRate; 0: the display's rate
};

// Reads the arguments after argv[0]. `name` is the program as it names
// itself in messages; `notes` is the back end's paragraph of the usage (where
// the data file is looked for, the exit statuses of its stop signals). Makes
// the exit check of standard output, under `name` (kept, not copied).
ShowOptions ReadShowOptions(int argc, const char *const *argv, const char *name, const std::string &notes);

} // namespace platform
