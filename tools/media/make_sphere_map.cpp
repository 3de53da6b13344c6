// media-spheremap OUT.png: writes the sphere map of the chrome objects ("spheremap.png").
#include "sphere_map.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: media-spheremap OUT.png\n");
    return 2;
  }
  std::string error;
  if (!media::WritePng(argv[1], media::DrawSphereMap(), &error)) {
    std::fprintf(stderr, "media-spheremap: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
