// SPDX-License-Identifier: MIT
// The program's entry point: the data file's presence, the setup dialog, then
// the show.
#include "app/demo.h"
#include "effects/show_timeline.h"
#include "platform/data_folder.h"
#include "platform/input_file.h"
#include "setup/demo_settings.h"
#include "setup/setup_dialog.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Without its data file the show would run its whole length blank and
// silent and end as if all were well. A file that is there but damaged is
// left to the show: each part then shows or plays what it could extract.
// False, with the reason for the viewer, when the file cannot be read.
bool DataFileOpens(std::string *problem) {
  // Opened without blocking and only a regular file is taken: a FIFO in its
  // place would hang the show before it could say anything.
  const char *why = "";
  const int fd = PlatformOpenRegularFile(kDataFileName, &why);
  if (fd >= 0) {
    close(fd);
    return true;
  }
  char folder[4096];
  const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  const std::string where = length > 0 && length < sizeof folder ? folder : "the current directory";
  *problem = "cannot open the data file \"" + std::string(kDataFileName) + "\" in " + where + ": " + why +
             " (also looked in " + platform::DataFoldersText() + ")";
  return false;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::string problem;
  if (!DataFileOpens(&problem)) {
    std::fprintf(stderr, "zarvox: %s\n", problem.c_str());
    const std::string text = "Cannot open the data file: " + problem.substr(problem.find('"')) + ".\n\nPut " +
                             kDataFileName + " in one of these folders, or start zarvox from the folder that holds it.";
    MessageBoxA(nullptr, text.c_str(), "zarvox: no data file", MB_OK | MB_ICONERROR);
    return 1;
  }
  const INT_PTR chosen = DialogBoxParamA(instance, MAKEINTRESOURCE(IDD_SETUP), nullptr, SetupDialog, 0);
  if (chosen == 0)
    return 0; // Exit, or the dialog was closed: nothing else is made
  if (chosen < 0)
    return 1; // no dialog could be shown (the layer said why on stderr): nothing was chosen
  {
    Demo demo(instance, show::kShowSeconds);
    demo.Setup(demoSettings.videoMode, demoSettings.soundSetup, demoSettings.fullscreen);
    demo.Run();
  }
  return 0;
}
