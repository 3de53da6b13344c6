// media-icon SIZE OUT.png: the desktop icon, drawn from the logo, at the
// build; the install puts one per size into the hicolor theme.
#include "icon.h"
#include "logo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char kUsage[] = "usage: media-icon SIZE OUT.png\n"
                      "Writes the desktop icon, the logo's letters in a SIZE x SIZE square (16 to 512).\n";
} // namespace

int main(int argc, char **argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  char *end = nullptr;
  const long size = argc == 3 ? std::strtol(argv[1], &end, 10) : 0;
  if (argc != 3 || end == argv[1] || *end != '\0' || size < 16 || size > media::kLogoWidth || argv[2][0] == '-') {
    std::fprintf(stderr, "media-icon: give a size from 16 to 512 and an output file (try --help)\n");
    return 2;
  }
  std::string error;
  if (!media::WritePng(argv[2], media::DrawIcon(media::DrawLogo(), int(size)), &error)) {
    std::fprintf(stderr, "media-icon: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
