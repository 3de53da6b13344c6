// SPDX-License-Identifier: MIT
// PNG output for the image generators, over libpng.
#include "image.h"

#include "platform/output_file.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace media {

namespace {

// libpng reports errors through longjmp; the message is kept here first.
void OnPngError(png_structp png, png_const_charp message) {
  auto *error = static_cast<std::string *>(png_get_error_ptr(png));
  if (error)
    *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Where the encoded bytes go: a file or, where `file` is null, `memory`.
// libpng's own writer would say only "Write Error" on a full disk; this one
// names the file and the system's reason.
struct Output {
  FILE *file;
  const char *path;
  std::string *error;
  std::vector<uint8_t> *memory;
};

// Nothing with a destructor may be left on this frame: libpng longjmps out.
void Fail(png_structp png, Output *out) {
  const int saved = errno;
  *out->error = std::string("cannot write ") + out->path + ": " + std::strerror(saved);
  png_longjmp(png, 1);
}

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
  Output *out = static_cast<Output *>(png_get_io_ptr(png));
  if (!out->file)
    out->memory->insert(out->memory->end(), data, data + length);
  else if (std::fwrite(data, 1, length, out->file) != length)
    Fail(png, out);
}

void FlushBytes(png_structp png) {
  Output *out = static_cast<Output *>(png_get_io_ptr(png));
  if (out->file && std::fflush(out->file) != 0)
    Fail(png, out);
}

// Writes the whole image into an open file. libpng reports errors by
// longjmp back here, so nothing in this function changes after setjmp.
bool WriteImage(Output *out, const Image &image, int level) {
  std::string *error = out->error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    *error = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, WriteBytes, FlushBytes);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
               image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, level);
  if (level <= 1) {
    // Speed first (captured frames): one cheap row filter instead of trying
    // all five per row, and run-length matching, which suits flat pictures.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_strategy(png, Z_RLE);
  }
  png_write_info(png, info);
  const size_t stride = size_t(image.width) * image.channels;
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, image.pixels.data() + stride * size_t(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool CanWrite(const Image &image, std::string *error) {
  if (image.channels != 3 && image.channels != 4) {
    *error = "only RGB and RGBA images are written";
    return false;
  }
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != size_t(image.width) * image.height * image.channels) {
    *error = "image size does not match its pixel buffer";
    return false;
  }
  return true;
}

int ClampLevel(int level) {
  return level < 0 ? 0 : level > 9 ? 9 : level;
}

} // namespace

bool EncodePng(const Image &image, std::vector<uint8_t> *png, std::string *error, int level) {
  std::string scratch;
  if (!error)
    error = &scratch;
  png->clear();
  Output out = {nullptr, "memory", error, png};
  return CanWrite(image, error) && WriteImage(&out, image, ClampLevel(level));
}

bool WritePng(const char *path, const Image &image, std::string *error, int level) {
  std::string scratch;
  if (!error)
    error = &scratch;
  if (!CanWrite(image, error))
    return false;
  // Whole or not at all: the layer's output file is renamed into place once written.
  platform::OutputFile file;
  if (!file.Create(path, error))
    return false;
  Output out = {file.Stream(), path, error, nullptr};
  return WriteImage(&out, image, ClampLevel(level)) && file.Commit(error);
}

} // namespace media
