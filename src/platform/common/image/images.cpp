// SPDX-License-Identifier: MIT
// The image calls, the same wherever the library itself is not at hand:
// names, binding, conversions and errors over the back end's PNG decoder.
#include "common/image/images.h"

#include <cstring>
#include <map>

namespace {

using platform::image::Image;

struct Library {
  std::map<ILuint, Image> images{{0, Image()}}; // 0: the default image, always there
  ILuint bound = 0;
  ILuint nextName = 1;
  ILenum error = IL_NO_ERROR;
};
Library library;

ILboolean Fail(ILenum code) {
  library.error = code;
  return IL_FALSE;
}

Image *Bound() {
  auto found = library.images.find(library.bound);
  return found != library.images.end() ? &found->second : nullptr;
}

int ChannelsOf(ILenum format) {
  switch (format) {
  case IL_RGB:
  case IL_BGR:
    return 3;
  case IL_RGBA:
  case IL_BGRA:
    return 4;
  case IL_LUMINANCE:
    return 1;
  case IL_LUMINANCE_ALPHA:
    return 2;
  default:
    return 0;
  }
}

// One pixel of `format` as red, green, blue, alpha.
void Unpack(ILenum format, const ILubyte *p, ILubyte rgba[4]) {
  switch (format) {
  case IL_RGB:
    rgba[0] = p[0], rgba[1] = p[1], rgba[2] = p[2], rgba[3] = 255;
    break;
  case IL_RGBA:
    rgba[0] = p[0], rgba[1] = p[1], rgba[2] = p[2], rgba[3] = p[3];
    break;
  case IL_BGR:
    rgba[0] = p[2], rgba[1] = p[1], rgba[2] = p[0], rgba[3] = 255;
    break;
  case IL_BGRA:
    rgba[0] = p[2], rgba[1] = p[1], rgba[2] = p[0], rgba[3] = p[3];
    break;
  case IL_LUMINANCE:
    rgba[0] = rgba[1] = rgba[2] = p[0], rgba[3] = 255;
    break;
  default: // IL_LUMINANCE_ALPHA
    rgba[0] = rgba[1] = rgba[2] = p[0], rgba[3] = p[1];
    break;
  }
}

void Pack(ILenum format, const ILubyte rgba[4], ILubyte *p) {
  switch (format) {
  case IL_RGB:
    p[0] = rgba[0], p[1] = rgba[1], p[2] = rgba[2];
    break;
  case IL_RGBA:
    p[0] = rgba[0], p[1] = rgba[1], p[2] = rgba[2], p[3] = rgba[3];
    break;
  case IL_BGR:
    p[0] = rgba[2], p[1] = rgba[1], p[2] = rgba[0];
    break;
  case IL_BGRA:
    p[0] = rgba[2], p[1] = rgba[1], p[2] = rgba[0], p[3] = rgba[3];
    break;
  default: // IL_LUMINANCE: the library's own weights for the eye's response
    p[0] = ILubyte(rgba[0] * 0.212671f + rgba[1] * 0.715160f + rgba[2] * 0.072169f);
    break;
  }
}

} // namespace

void ILAPIENTRY ilInit(void) {
  platform::image::StartDecoder();
}

void ILAPIENTRY ilGenImages(ILsizei num, ILuint *images) {
  if (images == nullptr)
    return (void)Fail(IL_INVALID_PARAM);
  for (ILsizei i = 0; i < num; ++i) {
    images[i] = library.nextName++;
    library.images[images[i]] = Image();
  }
}

void ILAPIENTRY ilDeleteImages(ILsizei num, const ILuint *images) {
  if (images == nullptr)
    return (void)Fail(IL_INVALID_PARAM);
  for (ILsizei i = 0; i < num; ++i) {
    if (images[i] == 0)
      continue;
    library.images.erase(images[i]);
    if (library.bound == images[i])
      library.bound = 0;
  }
}

void ILAPIENTRY ilBindImage(ILuint image) {
  // Binding a name never made makes it, as the library does.
  if (library.images.find(image) == library.images.end()) {
    library.images[image] = Image();
    if (image >= library.nextName)
      library.nextName = image + 1;
  }
  library.bound = image;
}

ILboolean ILAPIENTRY ilLoadL(ILenum type, const void *lump, ILuint size) {
  Image *image = Bound();
  if (image == nullptr)
    return Fail(IL_ILLEGAL_OPERATION);
  if (lump == nullptr || size == 0)
    return Fail(IL_INVALID_PARAM);
  if (type != IL_PNG)
    return Fail(IL_FORMAT_NOT_SUPPORTED);
  Image decoded;
  if (!platform::image::DecodePng(lump, size, &decoded))
    return Fail(IL_LIB_PNG_ERROR);
  *image = std::move(decoded);
  return IL_TRUE;
}

ILint ILAPIENTRY ilGetInteger(ILenum mode) {
  const Image *image = Bound();
  if (image == nullptr)
    return Fail(IL_ILLEGAL_OPERATION);
  switch (mode) {
  case IL_IMAGE_WIDTH:
    return ILint(image->width);
  case IL_IMAGE_HEIGHT:
    return ILint(image->height);
  case IL_IMAGE_DEPTH:
    return ILint(image->depth);
  case IL_IMAGE_BYTES_PER_PIXEL:
    return image->bytesPerPixel;
  case IL_IMAGE_FORMAT:
    return ILint(image->format);
  case IL_IMAGE_TYPE:
    return IL_UNSIGNED_BYTE;
  default:
    return Fail(IL_INVALID_ENUM);
  }
}

ILboolean ILAPIENTRY ilConvertImage(ILenum format, ILenum type) {
  Image *image = Bound();
  if (image == nullptr)
    return Fail(IL_ILLEGAL_OPERATION);
  const int channels = ChannelsOf(format);
  if (type != IL_UNSIGNED_BYTE || channels == 0 || format == IL_LUMINANCE_ALPHA)
    return Fail(IL_INVALID_CONVERSION);
  if (format == image->format)
    return IL_TRUE;
  const size_t count = size_t(image->width) * image->height * image->depth;
  std::vector<ILubyte> converted(count * size_t(channels));
  for (size_t i = 0; i < count; ++i) {
    ILubyte rgba[4];
    Unpack(image->format, &image->pixels[i * size_t(image->bytesPerPixel)], rgba);
    Pack(format, rgba, &converted[i * size_t(channels)]);
  }
  image->pixels = std::move(converted);
  image->format = format;
  image->bytesPerPixel = channels;
  return IL_TRUE;
}

ILubyte *ILAPIENTRY ilGetData(void) {
  Image *image = Bound();
  if (image == nullptr) {
    Fail(IL_ILLEGAL_OPERATION);
    return nullptr;
  }
  return image->pixels.data();
}

ILboolean ILAPIENTRY ilTexImage(ILuint width, ILuint height, ILuint depth, ILubyte channels, ILenum format, ILenum type,
                                void *data) {
  Image *image = Bound();
  if (image == nullptr)
    return Fail(IL_ILLEGAL_OPERATION);
  if (width == 0 || height == 0 || depth == 0 || type != IL_UNSIGNED_BYTE || ChannelsOf(format) != channels)
    return Fail(IL_INVALID_PARAM);
  const size_t bytes = size_t(width) * height * depth * channels;
  image->width = width;
  image->height = height;
  image->depth = depth;
  image->format = format;
  image->bytesPerPixel = channels;
  image->pixels.assign(bytes, 0);
  if (data != nullptr)
    std::memcpy(image->pixels.data(), data, bytes);
  return IL_TRUE;
}

ILenum ILAPIENTRY ilGetError(void) {
  const ILenum error = library.error;
  library.error = IL_NO_ERROR;
  return error;
}
