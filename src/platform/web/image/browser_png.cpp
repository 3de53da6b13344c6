// SPDX-License-Identifier: MIT
// The image calls' PNG decoding by the browser, which works while the program
// waits. A 2D canvas would premultiply the alpha and lose colour where it is
// low, so the decoded bitmap goes straight into a WebGL texture of a context
// of its own (no premultiplying, no colour-space conversion) and is read back
// through a framebuffer: the file's own 8-bit samples, top row first. The
// file's header says which of them the library keeps (see IL/il.h).
#include "common/image/images.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>

namespace platform::image {
namespace {

// clang-format off
// Decodes `size` bytes at `data` and keeps the RGBA pixels in the page for
// TakeDecodedPng; false where the browser refuses them.
EM_ASYNC_JS(bool, DecodePngInBrowser, (const void *data, unsigned size, int *width, int *height), {
  let gl = null, texture = null, framebuffer = null;
  try {
    const blob = new Blob([HEAPU8.slice(data, data + size)], {'type': 'image/png'});
    const bitmap = await createImageBitmap(blob, {'premultiplyAlpha': 'none', 'colorSpaceConversion': 'none'});
    const w = bitmap.width, h = bitmap.height;
    if (!Module['zarvoxImageGL']) {
      const canvas = typeof OffscreenCanvas != 'undefined' ? new OffscreenCanvas(1, 1)
                                                           : document.createElement('canvas');
      Module['zarvoxImageGL'] = canvas.getContext('webgl', {'premultipliedAlpha': false, 'antialias': false});
    }
    gl = Module['zarvoxImageGL'];
    if (!gl || w < 1 || h < 1 || w > gl.getParameter(gl.MAX_TEXTURE_SIZE) || h > gl.getParameter(gl.MAX_TEXTURE_SIZE))
      return false;
    texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
    gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
    gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
    bitmap.close();
    framebuffer = gl.createFramebuffer();
    gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
    gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
    if (gl.checkFramebufferStatus(gl.FRAMEBUFFER) != gl.FRAMEBUFFER_COMPLETE)
      return false;
    const pixels = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    if (gl.getError() != gl.NO_ERROR)
      return false;
    Module['zarvoxPixels'] = pixels;
    HEAP32[width >> 2] = w;
    HEAP32[height >> 2] = h;
    return true;
  } catch (e) {
    return false;
  } finally {
    if (gl) {
      gl.bindFramebuffer(gl.FRAMEBUFFER, null);
      gl.deleteFramebuffer(framebuffer);
      gl.deleteTexture(texture);
    }
  }
});

// Moves the pixels DecodePngInBrowser kept into `out`.
EM_JS(void, TakeDecodedPng, (uint8_t *out), {
  HEAPU8.set(Module['zarvoxPixels'], out);
  delete Module['zarvoxPixels'];
});
// clang-format on

uint32_t BigEndian(const uint8_t *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The layout the library gives a PNG of this header: its colour type, and
// whether a tRNS chunk (transparency for a palette) comes before the data.
bool LayoutOf(const uint8_t *png, size_t size, ILenum *format) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 33 || !std::equal(kSignature, kSignature + 8, png) || BigEndian(png + 12) != 0x49484452) // IHDR
    return false;
  const int colourType = png[25];
  bool transparency = false;
  for (size_t at = 8; at + 12 <= size && !transparency;) {
    const uint32_t length = BigEndian(png + at), type = BigEndian(png + at + 4);
    if (type == 0x49444154) // IDAT: no tRNS after it
      break;
    transparency = type == 0x74524E53; // tRNS
    at += 12 + size_t(length);
  }
  switch (colourType) {
  case 0:
    *format = IL_LUMINANCE;
    return true;
  case 2:
    *format = IL_RGB;
    return true;
  case 3:
    *format = transparency ? IL_RGBA : IL_RGB;
    return true;
  case 4:
    *format = IL_LUMINANCE_ALPHA;
    return true;
  case 6:
    *format = IL_RGBA;
    return true;
  default:
    return false;
  }
}

} // namespace

void StartDecoder() {}

bool DecodePng(const void *data, ILuint size, Image *image) {
  ILenum format = 0;
  int width = 0, height = 0;
  if (!LayoutOf(static_cast<const uint8_t *>(data), size, &format) || !DecodePngInBrowser(data, size, &width, &height))
    return false;
  const size_t count = size_t(width) * size_t(height);
  std::vector<ILubyte> rgba(count * 4);
  TakeDecodedPng(rgba.data());
  // The samples the layout keeps of each RGBA pixel, in its order.
  static const struct {
    ILenum format;
    int count;
    int take[4];
  } kKeep[] = {
      {IL_LUMINANCE, 1, {0}}, {IL_LUMINANCE_ALPHA, 2, {0, 3}}, {IL_RGB, 3, {0, 1, 2}}, {IL_RGBA, 4, {0, 1, 2, 3}}};
  for (const auto &keep : kKeep) {
    if (keep.format != format)
      continue;
    image->pixels.resize(count * size_t(keep.count));
    for (size_t i = 0; i < count; ++i)
      for (int c = 0; c < keep.count; ++c)
        image->pixels[i * size_t(keep.count) + size_t(c)] = rgba[i * 4 + size_t(keep.take[c])];
    image->bytesPerPixel = keep.count;
  }
  image->width = ILuint(width);
  image->height = ILuint(height);
  image->depth = 1;
  image->format = format;
  return true;
}

} // namespace platform::image
