// SPDX-License-Identifier: MIT
// The process entry on Windows, as on Linux: the layer's own options, the
// data file's folder, then WinMain. A program started from its icon already
// runs in its own folder; one started from a prompt elsewhere finds the file
// beside it all the same.
#include "common/show_options.h"
#include "kernel/wide.h"
#include "platform/command_line.h"
#include "platform/data_folder.h"
#include "platform/session.h"
#include "platform/tap.h"
#include "platform/windows.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// What the usage says of this system: where the data file is looked for, and
// how the show ends.
const char kUsageNotes[] = "zarvox.dat is read from the current folder, or else from the program's folder.\n"
                           "Exit status: 0 at the show's end or when the viewer leaves, 1 when it cannot\n"
                           "run, 2 for a wrong command line; 130 or 149 where a console's Ctrl+C or\n"
                           "Ctrl+Break ended it.\n";

char programName[MAX_PATH] = "zarvox";

// A window without a title (the setup dialog asks for none: it has no
// caption bar) would be a blank entry in the task bar and in window lists;
// it goes by the program's name there, as the Linux dialog does. Windows
// with a title of their own keep it.
LRESULT CALLBACK NameUntitledWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (GetWindowTextLengthA(window) == 0 && GetWindow(window, GW_OWNER) == nullptr)
      SetWindowTextA(window, programName);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The program file's name without its folder and ".exe".
void FindProgramName() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path)
    return;
  const char *start = path;
  for (const char *p = path; *p; p++)
    if (*p == '\\' || *p == '/')
      start = p + 1;
  std::memcpy(programName, start, std::strlen(start) + 1);
  char *dot = std::strrchr(programName, '.');
  if (dot != nullptr && dot != programName)
    *dot = '\0';
}

bool Usable(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Windows starts a GUI program without a console. Its text goes where a
// console program's would: to the standard handles it inherited (a
// redirection, a pipe), else to the console of the prompt it was started
// from, else (started from its icon) into a message box. False when it could
// not be written.
bool Tell(const std::string &text, DWORD handle, std::FILE *stream, UINT boxType) {
  if (text.empty())
    return true;
  static bool console = false;
  if (!Usable(GetStdHandle(handle)) && !console && AttachConsole(ATTACH_PARENT_PROCESS)) {
    console = true;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
  if (Usable(GetStdHandle(handle)) || console)
    return std::fputs(text.c_str(), stream) >= 0 &&
           (stream == stdout ? PlatformFlushStandardOutput() : std::fflush(stream) == 0);
  const std::wstring wide = platform::WideFromUtf8(text);
  return MessageBoxW(nullptr, wide.c_str(), L"zarvox", boxType | MB_OK) != 0;
}

} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  const platform::ShowOptions options = platform::ReadShowOptions(argc, argv, "zarvox", kUsageNotes);
  if (options.status >= 0) {
    const bool written = Tell(options.out, STD_OUTPUT_HANDLE, stdout, MB_ICONINFORMATION) &&
                         Tell(options.err, STD_ERROR_HANDLE, stderr, MB_ICONERROR);
    return written ? options.status : kExitFailure;
  }
  PlatformSetFrameRate(options.frameRate);

  std::string why;
  platform::OpenDisplay(&why); // the desktop is always there; Ctrl+C is taken from here on
  platform::FindDataFile("zarvox.dat");
  FindProgramName();
  SetWindowsHookExA(WH_CBT, NameUntitledWindows, nullptr, GetCurrentThreadId());
  char noArguments[] = "";
  int result = WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
  // As on Linux: a show that drew nothing did not do what it was started for.
  if (result == 0 && platform::CouldNotDraw())
    result = kExitFailure;
  platform::Shutdown();
  // Stopped by Ctrl+C or Ctrl+Break at its console, the show tore down in
  // order like any other end, but reports the stop as a console would.
  const int stopSignal = PlatformStopSignal();
  return stopSignal != 0 ? 128 + stopSignal : result;
}
