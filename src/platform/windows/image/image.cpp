// SPDX-License-Identifier: MIT
// The image calls over the Windows Imaging Component: PNG decoding by the
// system's codec, pixels kept in the layout the library gives on Linux.
#include <IL/il.h>

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

struct Image {
  ILuint width = 1, height = 1, depth = 1;
  ILenum format = IL_LUMINANCE;
  int bytesPerPixel = 1;
  std::vector<ILubyte> pixels = std::vector<ILubyte>(1, 0);
};

struct Library {
  std::map<ILuint, Image> images{{0, Image()}}; // 0: the default image, always there
  ILuint bound = 0;
  ILuint nextName = 1;
  ILenum error = IL_NO_ERROR;
  IWICImagingFactory *factory = nullptr; // made on the first load, kept for the process
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

template <typename T> void Release(T *&object) {
  if (object != nullptr)
    object->Release();
  object = nullptr;
}

// What a PNG frame of WIC's pixel format becomes: the layout the library on
// Linux gives (or, for palettes, what it converts them to), the WIC format
// read, and whether that holds 16-bit samples (of which the high byte is kept).
struct Plan {
  ILenum format;
  int bytesPerPixel;
  WICPixelFormatGUID read;
  bool wide;
};

bool Is(const WICPixelFormatGUID &a, const WICPixelFormatGUID &b) {
  return IsEqualGUID(a, b) != 0;
}

bool PaletteHasAlpha(IWICBitmapFrameDecode *frame) {
  IWICPalette *palette = nullptr;
  BOOL alpha = FALSE;
  if (SUCCEEDED(library.factory->CreatePalette(&palette)) && SUCCEEDED(frame->CopyPalette(palette)))
    palette->HasAlpha(&alpha);
  Release(palette);
  return alpha != FALSE;
}

Plan PlanFor(const WICPixelFormatGUID &source, IWICBitmapFrameDecode *frame) {
  if (Is(source, GUID_WICPixelFormat16bppGray))
    return {IL_LUMINANCE, 1, GUID_WICPixelFormat16bppGray, true};
  if (Is(source, GUID_WICPixelFormatBlackWhite) || Is(source, GUID_WICPixelFormat2bppGray) ||
      Is(source, GUID_WICPixelFormat4bppGray) || Is(source, GUID_WICPixelFormat8bppGray))
    return {IL_LUMINANCE, 1, GUID_WICPixelFormat8bppGray, false};
  if (Is(source, GUID_WICPixelFormat48bppRGB))
    return {IL_RGB, 3, GUID_WICPixelFormat48bppRGB, true};
  if (Is(source, GUID_WICPixelFormat64bppRGBA))
    return {IL_RGBA, 4, GUID_WICPixelFormat64bppRGBA, true};
  const bool indexed = Is(source, GUID_WICPixelFormat1bppIndexed) || Is(source, GUID_WICPixelFormat2bppIndexed) ||
                       Is(source, GUID_WICPixelFormat4bppIndexed) || Is(source, GUID_WICPixelFormat8bppIndexed);
  if (Is(source, GUID_WICPixelFormat24bppBGR) || (indexed && !PaletteHasAlpha(frame)))
    return {IL_RGB, 3, GUID_WICPixelFormat24bppBGR, false};
  // 32bppBGRA (RGBA and grey with alpha), palettes with transparency, anything else.
  return {IL_RGBA, 4, GUID_WICPixelFormat32bppBGRA, false};
}

// Decodes a PNG block into `image`; false when WIC does not take it.
bool DecodePng(const void *data, ILuint size, Image *image) {
  if (library.factory == nullptr &&
      FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void **>(&library.factory))))
    return false;
  IWICStream *stream = nullptr;
  IWICBitmapDecoder *decoder = nullptr;
  IWICBitmapFrameDecode *frame = nullptr;
  IWICFormatConverter *converter = nullptr;
  bool done = false;
  WICPixelFormatGUID source;
  UINT width = 0, height = 0;
  if (SUCCEEDED(library.factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE *>(const_cast<void *>(data)), size)) &&
      SUCCEEDED(library.factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) &&
      SUCCEEDED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetPixelFormat(&source)) &&
      SUCCEEDED(frame->GetSize(&width, &height)) && width > 0 && height > 0) {
    const Plan plan = PlanFor(source, frame);
    IWICBitmapSource *pixels = frame;
    if (!Is(source, plan.read) && SUCCEEDED(library.factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(
            converter->Initialize(frame, plan.read, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
      pixels = converter;
    const size_t sampleBytes = plan.wide ? 2 : 1;
    const size_t rowBytes = size_t(width) * plan.bytesPerPixel * sampleBytes;
    std::vector<BYTE> read;
    if ((pixels != frame || Is(source, plan.read)) && rowBytes * height < 0x7FFFFFFF) {
      read.resize(rowBytes * height);
      done = SUCCEEDED(pixels->CopyPixels(nullptr, UINT(rowBytes), UINT(read.size()), read.data()));
    }
    if (done) {
      image->width = width;
      image->height = height;
      image->depth = 1;
      image->format = plan.format;
      image->bytesPerPixel = plan.bytesPerPixel;
      image->pixels.resize(size_t(width) * height * plan.bytesPerPixel);
      ILubyte *out = image->pixels.data();
      if (plan.wide) {
        // WIC holds 16-bit samples in the machine's order: keep their high byte.
        for (size_t i = 0; i < image->pixels.size(); ++i)
          out[i] = read[i * 2 + 1];
      } else {
        std::memcpy(out, read.data(), read.size());
        // WIC's 8-bit colour formats are blue first.
        if (plan.format != IL_LUMINANCE)
          for (size_t i = 0; i < image->pixels.size(); i += size_t(plan.bytesPerPixel))
            std::swap(out[i], out[i + 2]);
      }
    }
  }
  Release(converter);
  Release(frame);
  Release(decoder);
  Release(stream);
  return done;
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
  // WIC is COM: the thread needs it. A thread that already has COM in the other
  // model keeps it; WIC works in either.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
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
  if (!DecodePng(lump, size, &decoded))
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
