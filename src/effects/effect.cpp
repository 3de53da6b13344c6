// SPDX-License-Identifier: MIT
// The effect base: the time window, and images from the data archive decoded
// by DevIL into pixel buffers that OpenGL can take as they are.
#include "effects/effect.h"

#include "archive/data_archive.h"
#include "gl/gl_context.h"

#include <IL/il.h>

#include <cstdio>
#include <cstdlib>

static_assert(IL_RGBA == GL_RGBA && IL_RGB == GL_RGB, "DevIL and OpenGL name the pixel layouts alike");

namespace {

// DevIL must be initialised once per process before its first call.
void InitImageLibrary() {
  static const bool initialised = (ilInit(), true);
  (void)initialised;
}

// The bound image is in the layout OpenGL will be told it has: 8-bit
// components of `format`, one layer, and rows that meet OpenGL's default
// unpack alignment of 4 bytes (a single row needs no alignment).
bool HasLayout(GLenum format) {
  const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
  const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
  const ILint bytesPerPixel = format == GL_RGBA ? 4 : 3;
  if (width < 1 || height < 1 || ilGetInteger(IL_IMAGE_DEPTH) != 1)
    return false;
  if (ilGetInteger(IL_IMAGE_FORMAT) != ILint(format) || ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE ||
      ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) != bytesPerPixel)
    return false;
  return height == 1 || (width * bytesPerPixel) % 4 == 0;
}

// Replaces the bound image by one opaque white pixel of `format`.
void MakeWhitePixel(GLenum format) {
  unsigned char white[4] = {255, 255, 255, 255};
  const ILubyte channels = format == GL_RGBA ? 4 : 3;
  ilTexImage(1, 1, 1, channels, format, IL_UNSIGNED_BYTE, white);
}

} // namespace

Effect::Effect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs)
    : context(context), archive(archive), name(name), startMs(startMs), endMs(endMs), durationMs(endMs - startMs) {}

Effect::~Effect() {}

ArchiveImage Effect::LoadArchiveImage(const std::string &fileName, GLenum format) {
  InitImageLibrary();
  unsigned char *block = archive ? archive->Fetch(fileName) : nullptr;
  const uint32_t length = archive ? archive->size : 0;

  // The image stays alive in the library for the rest of the run: the wave
  // effect reads its pixels every frame.
  ILuint image = 0;
  ilGenImages(1, &image);
  ilBindImage(image);
  bool decoded = block != nullptr && ilLoadL(IL_PNG, block, length) == IL_TRUE;
  std::free(block);

  // A decodable image in another layout (palette, grey, 16-bit, RGB for RGBA)
  // is converted rather than handed to OpenGL with the wrong size.
  if (decoded && !HasLayout(format))
    decoded = ilConvertImage(format, IL_UNSIGNED_BYTE) == IL_TRUE && HasLayout(format);
  if (!decoded) {
    std::fprintf(stderr,
                 "zarvox: \"%s\" is missing from the data file or is not a usable PNG image; "
                 "showing it blank\n",
                 fileName.c_str());
    MakeWhitePixel(format);
  }

  ArchiveImage result;
  result.width = ilGetInteger(IL_IMAGE_WIDTH);
  result.height = ilGetInteger(IL_IMAGE_HEIGHT);
  wglMakeCurrent(context->deviceContext, context->renderContext);
  result.pixels = ilGetData();
  return result;
}
