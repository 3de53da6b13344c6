// The process entry: what Windows does before and after WinMain. Refuses to
// start without a display, and gives the display back at the end.
#include "platform/windows.h"
#include "user/video.h"

#include <cstdio>
#include <cstring>
#include <string>

struct HINSTANCE__ {
  const char *path; // the program as it was started
};

int main(int argc, char **argv) {
  const char *program = argc > 0 && argv[0] != nullptr ? argv[0] : "zarvox";
  const char *slash = std::strrchr(program, '/');
  const char *name = slash != nullptr ? slash + 1 : program;

  // Without a display there is nothing to show and no way to stop the show
  // but a signal: say so and leave, rather than run blind.
  std::string why;
  if (!platform::OpenDisplay(&why)) {
    std::fprintf(stderr, "%s: %s\n", name, why.c_str());
    return 1;
  }

  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1)
      commandLine += ' ';
    commandLine += argv[i];
  }
  static HINSTANCE__ instance = {program};
  const int result = WinMain(&instance, nullptr, &commandLine[0], SW_SHOWDEFAULT);
  platform::Shutdown();
  return result;
}
