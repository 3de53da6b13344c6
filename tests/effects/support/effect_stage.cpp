// SPDX-License-Identifier: MIT
// The test stage: a window, the show's GL context on it, a data file of test
// media, and the frames collected through the platform's frame tap.
#include "effect_stage.h"

#include "platform/tap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

const char kClassName[] = "ZarvoxEffectStage";

LRESULT CALLBACK StageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

bool Near(const uint8_t *p, uint32_t rgb, int tolerance) {
  return std::abs(p[0] - int((rgb >> 16) & 0xFF)) <= tolerance &&
         std::abs(p[1] - int((rgb >> 8) & 0xFF)) <= tolerance && std::abs(p[2] - int(rgb & 0xFF)) <= tolerance;
}

} // namespace

double Frame::ShareNear(uint32_t rgb, int tolerance) const {
  return ShareNear(rgb, 0, 0, width, height, tolerance);
}

double Frame::ShareNear(uint32_t rgb, int x0, int y0, int x1, int y1, int tolerance) const {
  size_t hits = 0, total = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++total)
      hits += Near(At(x, y), rgb, tolerance);
  return total ? double(hits) / total : 0;
}

bool Frame::NonWhiteBox(int *x0, int *y0, int *x1, int *y1, int tolerance) const {
  *x0 = width, *y0 = height, *x1 = -1, *y1 = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!Near(At(x, y), kWhite, tolerance)) {
        *x0 = std::min(*x0, x), *x1 = std::max(*x1, x + 1);
        *y0 = std::min(*y0, y), *y1 = std::max(*y1, y + 1);
      }
  return *x1 >= 0;
}

Bytes TestLogoPng() {
  return EncodePng(64, 32, kPngRgba, Quadrants(64, 32, 4, kLogoQuadrants));
}

Bytes TestSphereMapPng() {
  const uint32_t colours[4] = {0xFFFF0000, 0x00FFFF00, 0xFF00FF00, 0x80808000};
  return EncodePng(64, 64, kPngRgb, Quadrants(64, 64, 3, colours));
}

std::vector<ArchiveEntry> EffectStage::DefaultMedia() {
  return {{"krel.png", TestLogoPng()}, {"spheremap.png", TestSphereMapPng()}};
}

EffectStage::EffectStage(int width, int height, const std::vector<ArchiveEntry> &entries)
    : width(width), height(height), context(new GLContext) {
  if (folder.Path().empty())
    return;
  const std::string path = folder / "zarvox.dat";
  if (!WriteStoredRar(path, entries))
    return;
  archive.reset(new DataArchive(path));

  WNDCLASSEXA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = StageProcedure;
  windowClass.lpszClassName = kClassName;
  RegisterClassExA(&windowClass); // a second stage finds the class registered
  window = CreateWindowExA(0, kClassName, "zarvox effects", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                           nullptr, nullptr, nullptr);
  if (!window || !context->Create(window, 32, 24, 0))
    return;
  context->SetDefaultState();
  context->SetViewport(0, 0, width, height, true);
  Capture(true);
  ready = true;
}

EffectStage::~EffectStage() {
  PlatformSetFrameTap(nullptr, nullptr);
  context.reset();
  if (window)
    DestroyWindow(window);
}

void EffectStage::Capture(bool on) {
  if (on)
    PlatformSetFrameTap(Tap, this);
  else
    PlatformSetFrameTap(nullptr, nullptr);
}

std::vector<Frame> EffectStage::TakeFrames() {
  std::vector<Frame> taken;
  taken.swap(frames);
  return taken;
}

void EffectStage::Tap(void *user, const uint8_t *rgba, int width, int height) {
  EffectStage *stage = static_cast<EffectStage *>(user);
  Frame frame;
  frame.width = width;
  frame.height = height;
  frame.rgba.resize(size_t(width) * height * 4);
  const size_t row = size_t(width) * 4;
  for (int y = 0; y < height; ++y) // the tap gives the bottom row first
    std::memcpy(&frame.rgba[y * row], rgba + (height - 1 - y) * row, row);
  if (stage->keepFrames)
    stage->frames.push_back(frame);
  stage->last = std::move(frame);
}
