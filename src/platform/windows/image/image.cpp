// SPDX-License-Identifier: MIT
// The image calls' PNG decoding over the Windows Imaging Component: the
// system's codec, pixels kept in the layout the library gives on Linux.
#include "common/image/images.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstring>
#include <vector>

namespace platform::image {
namespace {

IWICImagingFactory *factory = nullptr; // made on the first load, kept for the process

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
  if (SUCCEEDED(factory->CreatePalette(&palette)) && SUCCEEDED(frame->CopyPalette(palette)))
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

} // namespace

void StartDecoder() {
  // WIC is COM: the thread needs it. A thread that already has COM in the other
  // model keeps it; WIC works in either.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

bool DecodePng(const void *data, ILuint size, Image *image) {
  if (factory == nullptr && FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))))
    return false;
  IWICStream *stream = nullptr;
  IWICBitmapDecoder *decoder = nullptr;
  IWICBitmapFrameDecode *frame = nullptr;
  IWICFormatConverter *converter = nullptr;
  bool done = false;
  WICPixelFormatGUID source;
  UINT width = 0, height = 0;
  if (SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE *>(const_cast<void *>(data)), size)) &&
      SUCCEEDED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) &&
      SUCCEEDED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetPixelFormat(&source)) &&
      SUCCEEDED(frame->GetSize(&width, &height)) && width > 0 && height > 0) {
    const Plan plan = PlanFor(source, frame);
    IWICBitmapSource *pixels = frame;
    if (!Is(source, plan.read) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
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

} // namespace platform::image
