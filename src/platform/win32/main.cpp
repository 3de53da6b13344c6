// The process entry on Windows: the data file's folder, then WinMain. A
// program started from its icon already runs in its own folder; one started
// from a prompt elsewhere finds the file beside it all the same.
#include "platform/data_folder.h"
#include "platform/windows.h"

#include <cstring>

namespace {

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

} // namespace

int main() {
  platform::ChangeToDataFolder("zarvox.dat");
  FindProgramName();
  SetWindowsHookExA(WH_CBT, NameUntitledWindows, nullptr, GetCurrentThreadId());
  char noArguments[] = "";
  return WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
}
