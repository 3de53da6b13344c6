// media-icon SIZE OUT.png: the desktop icon, drawn from the logo, at the
// build; the install puts one per size into the hicolor theme.
#include "icon.h"
#include "image_tool.h"
#include "logo.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {
const char kUsage[] = "usage: media-icon SIZE OUT.png\n"
                      "Writes the desktop icon, the logo's letters in a SIZE x SIZE square (16 to 512).\n"
                      "  --help, --version   this text, the version\n";
} // namespace

int main(int argc, char **argv) {
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "media-icon", kUsage);
  if (answered >= 0)
    return answered;
  std::vector<std::string> names;
  if (!PlatformTakeNames(argc, argv, "media-icon", &names))
    return kExitUsage;
  if (names.empty())
    return PlatformUsageError("media-icon", "no size given");
  char *end = nullptr;
  const long size = std::strtol(names[0].c_str(), &end, 10);
  if (end == names[0].c_str() || *end != '\0' || size < 16 || size > media::kLogoWidth)
    return PlatformUsageError("media-icon", "the size is a whole number from 16 to 512, not \"" + names[0] + "\"");
  // The rest is the command line of any image tool, each of it a name.
  char optionsDone[] = "--";
  std::vector<char *> rest = {argv[0], optionsDone};
  for (size_t i = 1; i < names.size(); ++i)
    rest.push_back(&names[i][0]);
  return media::RunImageTool(int(rest.size()), rest.data(), "media-icon", kUsage,
                             [size] { return media::DrawIcon(media::DrawLogo(), int(size)); });
}
