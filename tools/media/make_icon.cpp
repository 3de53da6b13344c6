// media-icon SIZE OUT.png: the desktop icon, drawn from the logo, at the
// build; the install puts one per size into the hicolor theme.
#include "icon.h"
#include "image_tool.h"
#include "logo.h"

#include <cstdlib>

namespace {
const char kUsage[] = "usage: media-icon SIZE OUT.png\n"
                      "Writes the desktop icon, the logo's letters in a SIZE x SIZE square (16 to 512).\n"
                      "  --help, --version   this text, the version\n";
} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  if (argc < 2 || argv[1][0] == '-') {
    const int answered = PlatformAnswerHelpOrVersion(argc, argv, "media-icon", kUsage);
    if (answered >= 0)
      return answered;
    return PlatformUsageError("media-icon", argc < 2 || std::string(argv[1]) == "--"
                                                ? "no size given"
                                                : "unknown option " + std::string(argv[1]));
  }
  char *end = nullptr;
  const long size = std::strtol(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0' || size < 16 || size > media::kLogoWidth)
    return PlatformUsageError("media-icon",
                              "the size is a whole number from 16 to 512, not \"" + std::string(argv[1]) + "\"");
  // The rest is the command line of any image tool.
  argv[1] = argv[0];
  return media::RunImageTool(argc - 1, argv + 1, "media-icon", kUsage,
                             [size] { return media::DrawIcon(media::DrawLogo(), int(size)); });
}
