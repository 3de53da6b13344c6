// SPDX-License-Identifier: MIT
// The program's entry in the browser: the page has fetched the data file into
// the in-memory file system and passes the options from its address; the
// show runs as on the other systems, and its status goes back to the page.
#include "common/show_options.h"
#include "platform/command_line.h"
#include "platform/session.h"
#include "platform/tap.h"
#include "platform/windows.h"

#include <cstdio>
#include <string>

struct HINSTANCE__ {
  const char *path;
};

extern "C" void zarvox_page_exit(int status); // web_page.js

namespace {
const char kUsageNotes[] = "In the browser the options come from the page's address: ?frame-rate=30.\n"
                           "zarvox.dat is fetched from the page's own folder.\n";
} // namespace

int main(int argc, char **argv) {
  const platform::ShowOptions options = platform::ReadShowOptions(argc, argv, "zarvox", kUsageNotes);
  if (options.status >= 0) {
    std::fputs(options.out.c_str(), stdout);
    std::fputs(options.err.c_str(), stderr);
    zarvox_page_exit(options.status);
    return options.status;
  }
  PlatformSetFrameRate(options.frameRate);
  static HINSTANCE__ instance = {"zarvox"};
  char noArguments[] = "";
  int result = WinMain(&instance, nullptr, noArguments, SW_SHOWDEFAULT);
  if (result == 0 && platform::CouldNotDraw())
    result = kExitFailure;
  platform::Shutdown();
  zarvox_page_exit(result);
  return result;
}
