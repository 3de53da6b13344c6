// No decoder: ilLoadL fails, so each effect takes its blank stand-in, which
// ilTexImage keeps in the bound image.
#include <IL/il.h>

#include <vector>

namespace {
struct Image {
  ILint width = 0, height = 0, channels = 0;
  ILenum format = 0;
  std::vector<ILubyte> pixels;
};
std::vector<Image> images(1);
ILuint bound = 0;
} // namespace

void ilInit(void) {}
void ilGenImages(ILint count, ILuint *names) {
  for (ILint i = 0; i < count; ++i) {
    names[i] = static_cast<ILuint>(images.size());
    images.emplace_back();
  }
}
void ilBindImage(ILuint image) {
  bound = image < images.size() ? image : 0;
}
ILboolean ilLoadL(ILenum, const void *, ILuint) {
  return IL_FALSE;
}
ILboolean ilConvertImage(ILenum, ILenum) {
  return IL_FALSE;
}
ILboolean ilTexImage(ILuint width, ILuint height, ILuint depth, ILubyte channels, ILenum format, ILenum type,
                     void *data) {
  if (depth != 1 || type != IL_UNSIGNED_BYTE || data == nullptr)
    return IL_FALSE;
  Image &image = images[bound];
  image.width = ILint(width);
  image.height = ILint(height);
  image.channels = channels;
  image.format = format;
  image.pixels.assign(static_cast<ILubyte *>(data), static_cast<ILubyte *>(data) + width * height * channels);
  return IL_TRUE;
}
ILint ilGetInteger(ILenum mode) {
  const Image &image = images[bound];
  switch (mode) {
  case IL_IMAGE_WIDTH:
    return image.width;
  case IL_IMAGE_HEIGHT:
    return image.height;
  case IL_IMAGE_DEPTH:
    return image.width > 0 ? 1 : 0;
  case IL_IMAGE_BYTES_PER_PIXEL:
    return image.channels;
  case IL_IMAGE_FORMAT:
    return ILint(image.format);
  case IL_IMAGE_TYPE:
    return IL_UNSIGNED_BYTE;
  default:
    return 0;
  }
}
ILubyte *ilGetData(void) {
  return images[bound].pixels.empty() ? nullptr : images[bound].pixels.data();
}
