// SPDX-License-Identifier: MIT
// The show's timeline: its length and each effect's window, in show time.
// The Demo builds its effects from it; the capture, the tests, the
// benchmarks and the soundtrack's score read the same numbers.
#pragma once

namespace show {

// The show ends when its time, rounded to whole seconds, reaches this: its
// last frame is drawn at 127500 ms.
constexpr int kShowSeconds = 128;
constexpr int kLastFrameMs = kShowSeconds * 1000 - 500;

// An effect draws while the show time lies in its window, both ends included.
struct EffectWindow {
  const char *name;
  int startMs;
  int endMs;
};
constexpr EffectWindow kZoom = {"zoom", 0, 12500};
constexpr EffectWindow kTwirl = {"twirl", 12500, 25000};
constexpr EffectWindow kSpin = {"spin", 25000, 44500};
constexpr EffectWindow kSphere = {"sphere", 44500, 89000};
constexpr EffectWindow kWave = {"wave", 89000, kShowSeconds * 1000};
constexpr int kEffectCount = 5;
constexpr EffectWindow kEffects[kEffectCount] = {kZoom, kTwirl, kSpin, kSphere, kWave};

// The sphere's second, narrower view is drawn in frames strictly after this.
constexpr int kSphereInsetAfterMs = 52000;

} // namespace show
