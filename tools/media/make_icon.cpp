// SPDX-License-Identifier: MIT
// media-icon SIZE OUT.png | media-icon SIZE,SIZE... OUT.ico: the icon, drawn
// from the logo, at the build; the install puts one PNG per size into the
// hicolor theme, the Windows build an icon file of several into zarvox.exe.
#include "icon.h"
#include "icon_file.h"
#include "logo.h"
#include "platform/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {
const char kUsage[] = "usage: media-icon SIZE OUT.png\n"
                      "       media-icon SIZE,SIZE... OUT.ico\n"
                      "Writes the icon, the logo's letters in a SIZE x SIZE square (16 to 512; an\n"
                      "icon file holds one PNG per size, up to 256).\n"
                      "  --help, --version   this text, the version\n";

bool EndsWith(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}
} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "media-icon", kUsage);
  if (answered >= 0)
    return answered;
  std::vector<std::string> names;
  if (!PlatformTakeNames(argc, argv, "media-icon", &names))
    return kExitUsage;
  if (names.size() != 2)
    return PlatformUsageError("media-icon", names.empty()      ? "no size given"
                                            : names.size() < 2 ? "no output file given"
                                                               : "more than one output file given");
  const bool ico = EndsWith(names[1], ".ico");
  std::vector<int> sizes;
  std::istringstream list(names[0]);
  for (std::string item; std::getline(list, item, ',');) {
    char *end = nullptr;
    const long size = std::strtol(item.c_str(), &end, 10);
    if (end == item.c_str() || *end != '\0' || size < 16 || size > (ico ? 256 : media::kLogoWidth))
      return PlatformUsageError("media-icon", "a size is a whole number from 16 to " +
                                                  std::to_string(ico ? 256 : media::kLogoWidth) + ", not \"" + item +
                                                  "\"");
    sizes.push_back(int(size));
  }
  if (sizes.empty() || (!ico && sizes.size() != 1))
    return PlatformUsageError("media-icon", "a PNG file holds one size, an .ico file one or more");

  const media::Image logo = media::DrawLogo();
  std::vector<media::Image> icons;
  for (int size : sizes)
    icons.push_back(media::DrawIcon(logo, size));
  std::string error;
  if (!(ico ? media::WriteIco(names[1].c_str(), icons, &error) : media::WritePng(names[1].c_str(), icons[0], &error))) {
    std::fprintf(stderr, "media-icon: %s\n", error.c_str());
    return kExitFailure;
  }
  return 0;
}
