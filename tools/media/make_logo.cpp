// SPDX-License-Identifier: MIT
// media-logo OUT.png: writes the show's logo ("krel.png").
#include "image_tool.h"
#include "logo.h"

int main(int argc, char **argv) {
  return media::RunImageTool(argc, argv, "media-logo",
                             "usage: media-logo OUT.png\n"
                             "Writes the show's logo (krel.png in the data file) as an RGBA PNG.\n"
                             "  --help, --version   this text, the version\n",
                             media::DrawLogo);
}
