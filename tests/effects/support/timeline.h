// SPDX-License-Identifier: MIT
// The show's five effects with their windows, in list order, for tests and
// benchmarks that build them outside the Demo.
#pragma once
#include "effects/effect.h"

#include <memory>

class EffectStage;

struct EffectKind {
  const char *name;
  int startMs;
  int endMs;
  Effect *(*make)(EffectStage &stage, int startMs, int endMs);
};

extern const EffectKind kTimeline[5];

// Builds the effect of `kind` on the stage with its own window.
std::unique_ptr<Effect> Make(const EffectKind &kind, EffectStage &stage);
