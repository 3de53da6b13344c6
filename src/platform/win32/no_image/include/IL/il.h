// The image-library calls the effects make, with the image library's names
// and values, for a Windows tree built without a decoder: one image at a
// time, set only by ilTexImage; ilLoadL decodes nothing.
#pragma once

typedef unsigned int ILenum;
typedef unsigned int ILuint;
typedef int ILint;
typedef unsigned char ILubyte;
typedef unsigned char ILboolean;

#define IL_FALSE 0
#define IL_TRUE 1
#define IL_RGB 0x1907
#define IL_RGBA 0x1908
#define IL_UNSIGNED_BYTE 0x1401
#define IL_PNG 0x042A
#define IL_IMAGE_WIDTH 0x0DE4
#define IL_IMAGE_HEIGHT 0x0DE5
#define IL_IMAGE_DEPTH 0x0DE6
#define IL_IMAGE_BYTES_PER_PIXEL 0x0DE8
#define IL_IMAGE_FORMAT 0x0DEA
#define IL_IMAGE_TYPE 0x0DEB

void ilInit(void);
void ilGenImages(ILint count, ILuint *images);
void ilBindImage(ILuint image);
ILboolean ilLoadL(ILenum type, const void *data, ILuint size);
ILboolean ilConvertImage(ILenum format, ILenum type);
ILboolean ilTexImage(ILuint width, ILuint height, ILuint depth, ILubyte channels, ILenum format, ILenum type,
                     void *data);
ILint ilGetInteger(ILenum mode);
ILubyte *ilGetData(void);
