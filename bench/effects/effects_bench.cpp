// SPDX-License-Identifier: MIT
// Frame times of the five effects under the local OpenGL (llvmpipe under
// Xvfb), with the swap interval off, against a bare frame (clear and swap) as
// the peer; and the share of a frame that the effects' own CPU work takes
// (the twirl's grid, the wave's row copy and upload).
//
//   effects_bench [--frames N] [--size WxH]... [--archive zarvox.dat]
#include "support/effect_stage.h"
#include "support/timeline.h"

#include "effects/logo_twirl_effect.h"
#include "effects/logo_wave_effect.h"
#include "platform/tap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

double Millis(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
  double median;
  double p99;
};

Figures Summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  Figures f;
  f.median = samples[samples.size() / 2];
  f.p99 = samples[std::min(samples.size() - 1, size_t(samples.size() * 0.99))];
  return f;
}

// Times spread over the effect's window, so that every phase is measured
// (the twirl's power and twirl, the sphere with and without its inset).
int TimeOfFrame(const EffectKind &kind, int i, int frames) {
  return kind.startMs + int((long long)(kind.endMs - kind.startMs - 500) * i / frames);
}

Figures TimeEffect(Effect &effect, const EffectKind &kind, int frames) {
  for (int i = 0; i < 10; ++i) // warm up: first uploads, shader compiles
    effect.Render(kind.startMs + i);
  std::vector<double> samples;
  for (int i = 0; i < frames; ++i) {
    const Clock::time_point begin = Clock::now();
    effect.Render(TimeOfFrame(kind, i, frames));
    glFinish();
    samples.push_back(Millis(Clock::now() - begin));
  }
  return Summarise(samples);
}

Figures TimeBareFrame(EffectStage &stage, int frames) {
  std::vector<double> samples;
  for (int i = 0; i < frames + 10; ++i) {
    const Clock::time_point begin = Clock::now();
    wglMakeCurrent(stage.context->deviceContext, stage.context->renderContext);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    SwapBuffers(stage.context->deviceContext);
    glFinish();
    if (i >= 10)
      samples.push_back(Millis(Clock::now() - begin));
  }
  return Summarise(samples);
}

// The twirl's own per-frame work: one step and one grid.
Figures TimeTwirlGrid(int frames) {
  float exponent = 1, twist = 0, velocity = 0.1f;
  float gridX[LogoTwirlEffect::kColumns * LogoTwirlEffect::kRows];
  float gridY[LogoTwirlEffect::kColumns * LogoTwirlEffect::kRows];
  std::vector<double> samples;
  for (int i = 0; i < frames; ++i) {
    const Clock::time_point begin = Clock::now();
    LogoTwirlEffect::Advance(15000 + i * 20, exponent, twist, velocity);
    LogoTwirlEffect::BuildGrid(exponent, twist, 1, gridX, gridY);
    samples.push_back(Millis(Clock::now() - begin));
  }
  return Summarise(samples);
}

// The wave's own per-frame work: the row copy, and the upload into its texture.
void TimeWaveWork(LogoWaveEffect &wave, int frames, Figures *rows, Figures *upload) {
  std::vector<double> rowSamples, uploadSamples;
  float phase = 0;
  glBindTexture(GL_TEXTURE_2D, wave.texture);
  for (int i = 0; i < frames; ++i) {
    Clock::time_point begin = Clock::now();
    LogoWaveEffect::ShiftRows(wave.sourcePixels, wave.workPixels, wave.width, wave.height, phase);
    rowSamples.push_back(Millis(Clock::now() - begin));
    glFinish();
    begin = Clock::now();
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, wave.width, wave.height, GL_RGBA, GL_UNSIGNED_BYTE, wave.workPixels);
    glFinish();
    uploadSamples.push_back(Millis(Clock::now() - begin));
  }
  *rows = Summarise(rowSamples);
  *upload = Summarise(uploadSamples);
}

// A 512 x 256 logo and a 256 x 256 sphere map, the sizes of the show's own.
std::vector<ArchiveEntry> BenchMedia() {
  const uint32_t map[4] = {0xFFFF0000, 0x00FFFF00, 0xFF00FF00, 0x80808000};
  return {{"krel.png", EncodePng(512, 256, kPngRgba, Quadrants(512, 256, 4, kLogoQuadrants))},
          {"spheremap.png", EncodePng(256, 256, kPngRgb, Quadrants(256, 256, 3, map))}};
}

int Usage() {
  std::fprintf(stderr, "usage: effects_bench [--frames N] [--size WxH]... [--archive FILE]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  int frames = 300;
  std::vector<std::pair<int, int>> sizes;
  std::string archivePath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc)
      return Usage();
    const char *value = argv[++i];
    int w, h;
    if (arg == "--frames" && (frames = std::atoi(value)) > 0)
      continue;
    if (arg == "--size" && std::sscanf(value, "%dx%d", &w, &h) == 2 && w > 0 && h > 0)
      sizes.push_back({w, h});
    else if (arg == "--archive")
      archivePath = value;
    else
      return Usage();
  }
  if (sizes.empty())
    sizes = {{640, 480}, {1280, 960}};

  PlatformSetSwapInterval(0);
  std::printf("effects_bench: %d frames per effect, swap interval 0, media: %s\n", frames,
              archivePath.empty() ? "bench images (512x256 logo, 256x256 sphere map)" : archivePath.c_str());
  for (const auto &size : sizes) {
    EffectStage stage(size.first, size.second, BenchMedia());
    if (!stage.Ready()) {
      std::fprintf(stderr, "effects_bench: no window or OpenGL context at %dx%d\n", size.first, size.second);
      return 1;
    }
    if (!archivePath.empty())
      stage.archive.reset(new DataArchive(archivePath));
    std::printf("\n%dx%d  renderer: %s\n", size.first, size.second, (const char *)glGetString(GL_RENDERER));
    stage.Capture(false);
    const Figures bare = TimeBareFrame(stage, frames);
    std::printf("  %-8s %10s %10s %14s\n", "effect", "median ms", "p99 ms", "median / bare");
    std::printf("  %-8s %10.3f %10.3f %14.2f\n", "bare", bare.median, bare.p99, 1.0);

    Figures twirlFrame = {0, 0}, waveFrame = {0, 0}, rows = {0, 0}, upload = {0, 0};
    int waveWidth = 0, waveHeight = 0;
    for (const EffectKind &kind : kTimeline) {
      std::unique_ptr<Effect> effect = Make(kind, stage);
      const Figures f = TimeEffect(*effect, kind, frames);
      std::printf("  %-8s %10.3f %10.3f %14.2f\n", kind.name, f.median, f.p99, f.median / bare.median);
      if (kind.make == kTimeline[1].make)
        twirlFrame = f;
      if (kind.make == kTimeline[4].make) {
        waveFrame = f;
        LogoWaveEffect &wave = *static_cast<LogoWaveEffect *>(effect.get());
        TimeWaveWork(wave, frames, &rows, &upload);
        waveWidth = wave.width, waveHeight = wave.height;
      }
    }
    const Figures grid = TimeTwirlGrid(frames);
    std::printf("  effects' own CPU work per frame (median ms, share of the effect's median frame):\n");
    std::printf("    twirl grid (step + 560 points)   %8.4f  %5.1f %%\n", grid.median,
                100 * grid.median / twirlFrame.median);
    std::printf("    (wave image %dx%d)\n", waveWidth, waveHeight);
    std::printf("    wave row copy                     %8.4f  %5.1f %%\n", rows.median,
                100 * rows.median / waveFrame.median);
    std::printf("    wave upload (glTexSubImage2D)     %8.4f  %5.1f %%\n", upload.median,
                100 * upload.median / waveFrame.median);
  }
  return 0;
}
