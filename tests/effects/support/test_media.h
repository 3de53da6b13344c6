// SPDX-License-Identifier: MIT
// Media made by the tests themselves: PNG images encoded in memory, and a
// writer of stored, unencrypted RAR 2.x archives to put them in.
#pragma once
#include "stored_rar.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// PNG colour types as libpng numbers them.
enum PngColour { kPngGrey = 0, kPngRgb = 2, kPngPalette = 3, kPngGreyAlpha = 4, kPngRgba = 6 };

// Encodes `pixels` (rows top first, tightly packed, 8 bits per sample; for a
// palette image one index per pixel into an RGB `palette`) as a PNG file.
Bytes EncodePng(int width, int height, PngColour colour, const Bytes &pixels, const Bytes &palette = Bytes());

// An image of `width` x `height` pixels in four flat quadrants (top-left,
// top-right, bottom-left, bottom-right), each an RGBA or RGB colour.
Bytes Quadrants(int width, int height, int bytesPerPixel, const uint32_t colours[4]);

// Writes a RAR 2.x archive whose entries are stored (method 0x30, unpack
// version 20), unencrypted, in the given order. False when the file cannot be
// written.
using testsupport::ArchiveEntry;
bool WriteStoredRar(const std::string &path, const std::vector<ArchiveEntry> &entries);
