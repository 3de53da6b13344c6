// SPDX-License-Identifier: MIT
// A window with the show's GL context and a data file of test media, for
// tests and benchmarks that build effects and look at the frames they swap.
#pragma once
#include "scratch_dir.h"
#include "test_media.h"

#include "archive/data_archive.h"
#include "gl/gl_context.h"

#include <memory>
#include <string>
#include <vector>

// One swapped frame as the frame tap saw it, turned top row first.
struct Frame {
  int width = 0;
  int height = 0;
  Bytes rgba; // width * height * 4, top row first

  const uint8_t *At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
  // Share of the pixels in [x0, x1) x [y0, y1) that are within `tolerance` of
  // `rgb` in every channel (the whole frame when the box is left out).
  double ShareNear(uint32_t rgb, int tolerance = 24) const;
  double ShareNear(uint32_t rgb, int x0, int y0, int x1, int y1, int tolerance = 24) const;
  // Bounding box of the pixels further than `tolerance` from white; false when
  // every pixel is white.
  bool NonWhiteBox(int *x0, int *y0, int *x1, int *y1, int tolerance = 24) const;
};

// The test logo: 64 x 32 opaque RGBA in quadrants red, green / blue, black,
// so that orientation and mirroring show.
const uint32_t kLogoQuadrants[4] = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0x000000FF};
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0x000000, kWhite = 0xFFFFFF;
Bytes TestLogoPng();
// The test sphere map: 64 x 64 RGB in quadrants yellow, cyan / magenta, grey.
Bytes TestSphereMapPng();

class EffectStage {
public:
  // Opens a width x height window with a current GL context in the show's
  // default state and full-window viewport, and writes a data file holding
  // `entries` (by default the test logo and sphere map) to a fresh folder.
  EffectStage(int width, int height, const std::vector<ArchiveEntry> &entries = DefaultMedia());
  ~EffectStage();
  static std::vector<ArchiveEntry> DefaultMedia();

  bool Ready() const { return ready; }

  // Whether swaps are read back at all (on by default; reading back costs
  // time over hundreds of frames).
  void Capture(bool on);
  // Whether every captured frame is kept for TakeFrames, not just the last.
  void KeepFrames(bool on) { keepFrames = on; }
  // Frames kept since KeepFrames(true) or the last TakeFrames.
  std::vector<Frame> TakeFrames();
  const Frame &LastFrame() const { return last; }

  int width, height;
  HWND window = nullptr;
  ScratchDir folder;                  // outlives the archive read from it
  std::unique_ptr<GLContext> context; // released before the window goes
  std::unique_ptr<DataArchive> archive;

private:
  static void Tap(void *user, const uint8_t *rgba, int width, int height);
  bool ready = false;
  bool keepFrames = false;
  std::vector<Frame> frames;
  Frame last;
};
