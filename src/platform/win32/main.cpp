// The process entry on Windows: the data file's folder, then WinMain. A
// program started from its icon already runs in its own folder; one started
// from a prompt elsewhere finds the file beside it all the same.
#include "platform/data_folder.h"
#include "platform/windows.h"

int main() {
  platform::ChangeToDataFolder("zarvox.dat");
  char noArguments[] = "";
  return WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
}
