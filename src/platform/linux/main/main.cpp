// SPDX-License-Identifier: MIT
// The process entry: what Windows does before and after WinMain. Takes the
// layer's own options, refuses to start without a display, finds the data
// file, and gives the display back at the end.
#include "common/show_options.h"
#include "platform/command_line.h"
#include "platform/data_folder.h"
#include "platform/session.h"
#include "platform/tap.h"
#include "platform/windows.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

struct HINSTANCE__ {
  const char *path; // the program as it was started
};

namespace {

// What the usage says of this system: where the data file is looked for, and
// how the show ends.
const char kUsageNotes[] = "zarvox.dat is read from the current folder, or else from the first that holds it\n"
                           "of: the program's folder, its ../share/zarvox, $XDG_DATA_HOME/zarvox (default\n"
                           "~/.local/share/zarvox) and each $XDG_DATA_DIRS entry + /zarvox (default\n"
                           "/usr/local/share/zarvox, /usr/share/zarvox).\n"
                           "Exit status: 0 at the show's end or when the viewer leaves, 1 when it cannot\n"
                           "run, 2 for a wrong command line, 128 + N when signal N ended it (SIGINT: 130,\n"
                           "SIGTERM: 143).\n";

// Writes `text` to `stream`; false when it did not all get there (standard
// output's reason is kept for the exit check's message).
bool Write(std::FILE *stream, const std::string &text) {
  if (text.empty())
    return true;
  const bool put = std::fputs(text.c_str(), stream) >= 0;
  return (stream == stdout ? PlatformFlushStandardOutput() : std::fflush(stream) == 0) && put;
}

} // namespace

int main(int argc, char **argv) {
  const char *program = argc > 0 && argv[0] != nullptr ? argv[0] : "zarvox";
  const char *slash = std::strrchr(program, '/');
  const char *name = slash != nullptr ? slash + 1 : program;

  const platform::ShowOptions options = platform::ReadShowOptions(argc, argv, name, kUsageNotes);
  if (options.status >= 0) {
    const bool written = Write(stdout, options.out) && Write(stderr, options.err);
    return written ? options.status : kExitFailure;
  }
  PlatformSetFrameRate(options.frameRate);

  // Whatever the libraries start below (GTK may launch a session bus) ends
  // with the program.
  platform::KeepHelpersWithProcess();

  // Without a display there is nothing to show and no way to stop the show
  // but a signal: say so and leave, rather than run blind.
  std::string why;
  if (!platform::OpenDisplay(&why)) {
    std::fprintf(stderr, "%s: %s\n", name, why.c_str());
    return kExitFailure;
  }

  // Launchers start programs in the home folder; the show opens its data
  // file by its relative name, as from its own folder on Windows.
  platform::FindDataFile("zarvox.dat");

  static HINSTANCE__ instance = {program};
  char noArguments[] = "";
  int result = WinMain(&instance, nullptr, noArguments, SW_SHOWDEFAULT);
  // The show runs on blank where it cannot draw; having drawn nothing, it
  // did not do what it was started for.
  if (result == 0 && platform::CouldNotDraw())
    result = kExitFailure;
  platform::Shutdown();
  // A show stopped by a signal (SIGINT, SIGTERM, SIGHUP...) tore down in
  // order like any other end, but reports the signal as a shell would, so
  // that a script can tell it from a show that ran out or that the viewer
  // left.
  const int stopSignal = PlatformStopSignal();
  return stopSignal != 0 ? 128 + stopSignal : result;
}
