// SPDX-License-Identifier: MIT
// The image library calls the effects make, for the systems where the
// library itself is not at hand (Windows, the browser): written once over
// each system's own PNG decoder. Names, types and values are the library's
// own (as on Linux), so that the effects' code means the same thing
// everywhere. Images load as the library loads them on Linux: rows top first
// (no origin flip), 8-bit RGB, RGBA or luminance as the file holds them (a
// palette image comes out RGB, or RGBA where its palette has transparency;
// 16-bit samples keep their high byte), straight (not premultiplied) alpha.
#pragma once
#ifdef __linux__
#error "On Linux the image library brings its own header"
#endif
#include <cstddef>

typedef unsigned int ILenum;
typedef unsigned char ILboolean;
typedef int ILint;
typedef size_t ILsizei;
typedef unsigned char ILubyte;
typedef unsigned int ILuint;

#define IL_FALSE 0
#define IL_TRUE 1

// Pixel layouts (IL_IMAGE_FORMAT) and component types (IL_IMAGE_TYPE).
#define IL_COLOUR_INDEX 0x1900
#define IL_RGB 0x1907
#define IL_RGBA 0x1908
#define IL_BGR 0x80E0
#define IL_BGRA 0x80E1
#define IL_LUMINANCE 0x1909
#define IL_LUMINANCE_ALPHA 0x190A
#define IL_UNSIGNED_BYTE 0x1401
#define IL_UNSIGNED_SHORT 0x1403

// File types for ilLoadL: PNG is the one read here.
#define IL_PNG 0x042A

// ilGetError codes.
#define IL_NO_ERROR 0x0000
#define IL_INVALID_ENUM 0x0501
#define IL_OUT_OF_MEMORY 0x0502
#define IL_FORMAT_NOT_SUPPORTED 0x0503
#define IL_INTERNAL_ERROR 0x0504
#define IL_INVALID_VALUE 0x0505
#define IL_ILLEGAL_OPERATION 0x0506
#define IL_INVALID_PARAM 0x0509
#define IL_INVALID_CONVERSION 0x0510
#define IL_LIB_PNG_ERROR 0x05E3

// ilGetInteger queries about the bound image.
#define IL_IMAGE_WIDTH 0x0DE4
#define IL_IMAGE_HEIGHT 0x0DE5
#define IL_IMAGE_DEPTH 0x0DE6
#define IL_IMAGE_BPP 0x0DE8
#define IL_IMAGE_BYTES_PER_PIXEL 0x0DE8
#define IL_IMAGE_FORMAT 0x0DEA
#define IL_IMAGE_TYPE 0x0DEB

#ifdef _WIN32
#define ILAPIENTRY __stdcall
#else
#define ILAPIENTRY
#endif

// Sets the library up for the calling thread (Windows: COM too). Call it first.
void ILAPIENTRY ilInit(void);
// New image names, each a 1 x 1 image until something is loaded into it.
void ILAPIENTRY ilGenImages(ILsizei num, ILuint *images);
void ILAPIENTRY ilDeleteImages(ILsizei num, const ILuint *images);
// The image the calls below act on; 0 is the library's own default image.
void ILAPIENTRY ilBindImage(ILuint image);
// Decodes `size` bytes of `type` (IL_PNG) into the bound image. False, with
// the image left as it was, for data that does not decode. The browser's
// decoder works while the program waits for it.
ILboolean ILAPIENTRY ilLoadL(ILenum type, const void *lump, ILuint size);
ILint ILAPIENTRY ilGetInteger(ILenum mode);
// Converts the bound image to `format` (RGB, RGBA, BGR, BGRA or LUMINANCE)
// of IL_UNSIGNED_BYTE: alpha dropped, or added as opaque.
ILboolean ILAPIENTRY ilConvertImage(ILenum format, ILenum type);
// The bound image's pixels; valid until it is loaded, converted or deleted.
ILubyte *ILAPIENTRY ilGetData(void);
// Replaces the bound image by `width` x `height` x `depth` pixels of
// `channels` bytes in `format` (8-bit only), copied from `data` (zeros for NULL).
ILboolean ILAPIENTRY ilTexImage(ILuint width, ILuint height, ILuint depth, ILubyte channels, ILenum format, ILenum type,
                                void *data);
// The latest error, cleared by reading it.
ILenum ILAPIENTRY ilGetError(void);
