// SPDX-License-Identifier: MIT
// The timeline as the show builds it, for tests and benchmarks.
#include "timeline.h"

#include "effect_stage.h"
#include "effects/logo_spin_effect.h"
#include "effects/logo_twirl_effect.h"
#include "effects/logo_wave_effect.h"
#include "effects/logo_zoom_effect.h"
#include "effects/show_timeline.h"
#include "effects/sphere_effect.h"

namespace {

template <class T> Effect *Build(EffectStage &stage, int startMs, int endMs) {
  return new T(stage.context.get(), stage.archive.get(), "Effect Testing!!!", startMs, endMs);
}

} // namespace

const EffectKind kTimeline[5] = {
    {show::kZoom.name, show::kZoom.startMs, show::kZoom.endMs, Build<LogoZoomEffect>},
    {show::kTwirl.name, show::kTwirl.startMs, show::kTwirl.endMs, Build<LogoTwirlEffect>},
    {show::kSpin.name, show::kSpin.startMs, show::kSpin.endMs, Build<LogoSpinEffect>},
    {show::kSphere.name, show::kSphere.startMs, show::kSphere.endMs, Build<SphereEffect>},
    {show::kWave.name, show::kWave.startMs, show::kWave.endMs, Build<LogoWaveEffect>},
};

std::unique_ptr<Effect> Make(const EffectKind &kind, EffectStage &stage) {
  return std::unique_ptr<Effect>(kind.make(stage, kind.startMs, kind.endMs));
}
