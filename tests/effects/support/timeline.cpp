// The timeline as the show builds it, for tests and benchmarks.
#include "timeline.h"

#include "effect_stage.h"
#include "effects/logo_spin_effect.h"
#include "effects/logo_twirl_effect.h"
#include "effects/logo_wave_effect.h"
#include "effects/logo_zoom_effect.h"
#include "effects/sphere_effect.h"

namespace {

template <class T> Effect *Build(EffectStage &stage, int startMs, int endMs) {
  return new T(stage.context.get(), stage.archive.get(), "Effect Testing!!!", startMs, endMs);
}

} // namespace

const EffectKind kTimeline[5] = {
    {"zoom", 0, 12500, Build<LogoZoomEffect>},      {"twirl", 12500, 25000, Build<LogoTwirlEffect>},
    {"spin", 25000, 44500, Build<LogoSpinEffect>},  {"sphere", 44500, 89000, Build<SphereEffect>},
    {"wave", 89000, 128000, Build<LogoWaveEffect>},
};

std::unique_ptr<Effect> Make(const EffectKind &kind, EffectStage &stage) {
  return std::unique_ptr<Effect>(kind.make(stage, kind.startMs, kind.endMs));
}
