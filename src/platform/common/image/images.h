// SPDX-License-Identifier: MIT
// What a system's image back end gives the image calls (images.cpp): a PNG
// decoder. The images, their names, conversions and errors are written once.
#pragma once
#include <IL/il.h>

#include <vector>

namespace platform::image {

// One image of the library: `depth` layers of `height` rows of `width`
// pixels, rows top first, `bytesPerPixel` bytes a pixel in `format`.
struct Image {
  ILuint width = 1, height = 1, depth = 1;
  ILenum format = IL_LUMINANCE;
  int bytesPerPixel = 1;
  std::vector<ILubyte> pixels = std::vector<ILubyte>(1, 0);
};

// Readies the system's decoder for the calling thread (ilInit).
void StartDecoder();
// Decodes a PNG block into *image, in the layout the library gives on Linux
// (see IL/il.h); false, with *image untouched, where the decoder refuses it.
bool DecodePng(const void *data, ILuint size, Image *image);

} // namespace platform::image
