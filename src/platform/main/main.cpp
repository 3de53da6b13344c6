// The process entry: what Windows does before and after WinMain. Takes the
// layer's own options, refuses to start without a display, finds the folder
// of the data file, and gives the display back at the end.
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

const char kUsage[] = "usage: zarvox [--frame-rate N|display] [--help] [--version]\n"
                      "Plays the show: a setup dialog, then 128 seconds of effects to music.\n"
                      "  --frame-rate N        present at most N frames a second, 24 to 1000 (default 60:\n"
                      "                        the show's animation advances once per frame and was made\n"
                      "                        for 60, so other rates play it slower or faster)\n"
                      "  --frame-rate display  no pacing: as fast as the display and driver allow\n"
                      "  --help                this text\n"
                      "  --version             the version\n"
                      "zarvox.dat is read from the current folder, or else from the first that holds it\n"
                      "of: the program's folder, its ../share/zarvox, $XDG_DATA_HOME/zarvox (default\n"
                      "~/.local/share/zarvox) and each $XDG_DATA_DIRS entry + /zarvox (default\n"
                      "/usr/local/share/zarvox, /usr/share/zarvox).\n"
                      "Exit status: 0 at the show's end or when the viewer leaves, 1 when it cannot\n"
                      "run, 2 for a wrong command line, 130 or 143 when SIGINT or SIGTERM ended it.\n";

// "display" -> 0; a whole number from 24 to 1000 -> itself; else -1.
int ParseFrameRate(const char *text) {
  if (std::strcmp(text, "display") == 0)
    return 0;
  char *end = nullptr;
  const long rate = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && rate >= 24 && rate <= 1000 ? int(rate) : -1;
}

} // namespace

int main(int argc, char **argv) {
  const char *program = argc > 0 && argv[0] != nullptr ? argv[0] : "zarvox";
  const char *slash = std::strrchr(program, '/');
  const char *name = slash != nullptr ? slash + 1 : program;

  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "zarvox", kUsage);
  if (answered >= 0)
    return answered;

  // The layer's options; anything else (and everything after "--") reaches
  // WinMain's command line.
  std::string commandLine;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (!optionsDone && std::strcmp(arg, "--") == 0) {
      optionsDone = true;
      continue;
    }
    const bool joined = !optionsDone && std::strncmp(arg, "--frame-rate=", 13) == 0;
    if (joined || (!optionsDone && std::strcmp(arg, "--frame-rate") == 0)) {
      const char *value = joined ? arg + 13 : i + 1 < argc ? argv[++i] : "";
      const int rate = ParseFrameRate(value);
      if (rate < 0)
        return PlatformUsageError(name, "--frame-rate takes a whole number from 24 to 1000 or \"display\", not \"" +
                                            std::string(value) + "\"");
      PlatformSetFrameRate(rate);
      continue;
    }
    if (!optionsDone && arg[0] == '-')
      return PlatformUsageError(name, "unknown option \"" + std::string(arg) + "\"");
    if (!commandLine.empty())
      commandLine += ' ';
    commandLine += arg;
  }

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
  platform::ChangeToDataFolder("zarvox.dat");

  static HINSTANCE__ instance = {program};
  const int result = WinMain(&instance, nullptr, &commandLine[0], SW_SHOWDEFAULT);
  platform::Shutdown();
  // A show stopped by SIGINT or SIGTERM tore down in order like any other
  // end, but reports the signal as a shell would, so that a script can tell
  // it from a show that ran out or that the viewer left.
  const int stopSignal = PlatformStopSignal();
  return stopSignal != 0 ? 128 + stopSignal : result;
}
