// SPDX-License-Identifier: MIT
// dialog-rc OUT.rc: the setup dialog's template (src/setup/setup_template.cpp)
// written as the DIALOGEX resource 102 that the Windows build compiles with
// windres, so that both systems show the dialog from the same data.
#include "platform/command_line.h"
#include "setup/setup_dialog.h"
#include "setup/setup_template.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: dialog-rc OUT.rc\n"
                      "Writes the setup dialog's template as a Windows resource script (DIALOGEX 102).\n"
                      "Exit status: 0 when written, 1 when the file cannot be written, 2 for a wrong\n"
                      "command line.\n";

// A resource-script string: quotes doubled, as the resource compiler reads them.
std::string Quoted(const char *text) {
  std::string quoted = "\"";
  for (const char *c = text != nullptr ? text : ""; *c != '\0'; ++c)
    quoted += *c == '"' ? std::string("\"\"") : std::string(1, *c);
  return quoted + "\"";
}

std::string Script(int id, const DialogTemplate &dialog) {
  char line[512];
  std::string rc = "// Written by dialog-rc from src/setup/setup_template.cpp; do not edit.\n";
  std::snprintf(line, sizeof line, "%d DIALOGEX %d, %d, %d, %d\nSTYLE 0x%08lX\nEXSTYLE 0x%08lX\n", id, dialog.x,
                dialog.y, dialog.cx, dialog.cy, static_cast<unsigned long>(dialog.style),
                static_cast<unsigned long>(dialog.exStyle));
  rc += line;
  // An empty CAPTION would still be a caption statement; a dialog without a
  // title has none.
  if (dialog.title != nullptr && dialog.title[0] != '\0')
    rc += "CAPTION " + Quoted(dialog.title) + "\n";
  rc += "FONT " + std::to_string(dialog.pointSize) + ", " + Quoted(dialog.fontName) + "\nBEGIN\n";
  for (int i = 0; i < dialog.controlCount; ++i) {
    const DialogControlTemplate &control = dialog.controls[i];
    std::snprintf(line, sizeof line, "  CONTROL %s, %d, %s, 0x%08lX, %d, %d, %d, %d, 0x%08lX\n",
                  Quoted(control.text).c_str(), control.id, Quoted(control.className).c_str(),
                  static_cast<unsigned long>(control.style), control.x, control.y, control.cx, control.cy,
                  static_cast<unsigned long>(control.exStyle));
    rc += line;
  }
  return rc + "END\n";
}

} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "dialog-rc", kUsage);
  if (answered >= 0)
    return answered;
  std::vector<std::string> names;
  if (!PlatformTakeNames(argc, argv, "dialog-rc", &names))
    return kExitUsage;
  if (names.size() != 1)
    return PlatformUsageError("dialog-rc", "one output file expected");
  const std::string rc = Script(IDD_SETUP, kSetupTemplate);
  FILE *out = std::fopen(names[0].c_str(), "wb");
  const bool written = out != nullptr && std::fwrite(rc.data(), 1, rc.size(), out) == rc.size();
  if (out == nullptr || std::fclose(out) != 0 || !written) {
    std::perror(("dialog-rc: " + names[0]).c_str());
    return kExitFailure;
  }
  return 0;
}
