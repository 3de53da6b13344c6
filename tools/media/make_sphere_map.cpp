// SPDX-License-Identifier: MIT
// media-spheremap OUT.png: writes the sphere map of the chrome objects ("spheremap.png").
#include "image_tool.h"
#include "sphere_map.h"

int main(int argc, char **argv) {
  return media::RunImageTool(argc, argv, "media-spheremap",
                             "usage: media-spheremap OUT.png\n"
                             "Writes the sphere map of the chrome objects (spheremap.png in the data file)\n"
                             "as an RGB PNG.\n"
                             "  --help, --version   this text, the version\n",
                             media::DrawSphereMap);
}
