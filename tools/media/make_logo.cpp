// media-logo OUT.png: writes the show's logo ("krel.png").
#include "logo.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: media-logo OUT.png\n");
    return 2;
  }
  std::string error;
  if (!media::WritePng(argv[1], media::DrawLogo(), &error)) {
    std::fprintf(stderr, "media-logo: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
