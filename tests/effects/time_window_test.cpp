// SPDX-License-Identifier: MIT
// Proves the time window of all five effects: at startMs and at endMs an
// effect draws one whole frame; one millisecond outside it makes no GL call
// and no swap; at a shared boundary both neighbours draw, in list order.
//
// "No GL call" cannot be observed call by call, so it is pinned from both
// ends of a frame: every frame an effect draws begins with wglMakeCurrent and
// ends with SwapBuffers, which the platform counts; and every GL call between
// them (clear, matrices, enables, bindings, colour, uploads, drawing) would
// change state that is fingerprinted before and after the call, after
// sentinel values no effect ever sets have been put in place. The effect's
// own animation state must not move either.
#include "support/effect_stage.h"
#include "support/gl_state.h"
#include "support/timeline.h"

#include "effects/logo_spin_effect.h"
#include "effects/logo_twirl_effect.h"
#include "effects/logo_wave_effect.h"
#include "effects/logo_zoom_effect.h"
#include "effects/sphere_effect.h"
#include "platform/tap_linux.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const int kWidth = 320, kHeight = 240;

// Everything an effect advances per frame, as numbers.
std::vector<double> AnimationState(Effect &effect) {
  if (auto *e = dynamic_cast<LogoZoomEffect *>(&effect))
    return {e->distance};
  if (auto *e = dynamic_cast<LogoTwirlEffect *>(&effect))
    return {e->exponent, e->twist, e->velocity};
  if (auto *e = dynamic_cast<LogoSpinEffect *>(&effect))
    return {e->scroll, e->spin};
  if (auto *e = dynamic_cast<SphereEffect *>(&effect))
    return {e->cylinderAngle, e->sphereAngle};
  if (auto *e = dynamic_cast<LogoWaveEffect *>(&effect))
    return {e->phase};
  return {};
}

class TimeWindow : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(TimeWindow, DrawsAtBothEndsAndMakesNoCallOneMillisecondOutside) {
  const EffectKind &kind = kTimeline[GetParam()];
  EffectStage stage(kWidth, kHeight);
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  std::unique_ptr<Effect> effect = Make(kind, stage);

  for (int t : {kind.startMs, kind.endMs}) {
    const PlatformCallCounts before = PlatformGetCallCounts();
    EXPECT_TRUE(effect->Render(t)) << kind.name << " at " << t;
    const PlatformCallCounts after = PlatformGetCallCounts();
    EXPECT_EQ(after.makeCurrent - before.makeCurrent, 1u) << kind.name << " at " << t;
    EXPECT_EQ(after.swapBuffers - before.swapBuffers, 1u) << kind.name << " at " << t;
  }

  for (int t : {kind.startMs - 1, kind.endMs + 1}) {
    SetSentinelState(kWidth, kHeight);
    const GLState state = CaptureState(kWidth, kHeight);
    const std::vector<double> animation = AnimationState(*effect);
    const PlatformCallCounts before = PlatformGetCallCounts();
    EXPECT_FALSE(effect->Render(t)) << kind.name << " at " << t;
    const PlatformCallCounts after = PlatformGetCallCounts();
    EXPECT_EQ(after.makeCurrent, before.makeCurrent) << kind.name << " at " << t;
    EXPECT_EQ(after.swapBuffers, before.swapBuffers) << kind.name << " at " << t;
    EXPECT_TRUE(CaptureState(kWidth, kHeight) == state) << kind.name << " touched GL state at " << t;
    EXPECT_EQ(AnimationState(*effect), animation) << kind.name << " at " << t;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFive, TimeWindow, ::testing::Range(0, 5),
                         [](const ::testing::TestParamInfo<int> &info) { return kTimeline[info.param].name; });

namespace {

int renderingNow = -1;      // list position of the effect inside Render
std::vector<int> swappedBy; // list positions, in the order of their swaps

void NoteSwap(void *, const uint8_t *, int, int) {
  swappedBy.push_back(renderingNow);
}

} // namespace

TEST(TimeWindowBoundary, BothNeighboursSwapInListOrder) {
  EffectStage stage(kWidth, kHeight);
  ASSERT_TRUE(stage.Ready()) << "no window or GL context";
  std::vector<std::unique_ptr<Effect>> effects;
  for (const EffectKind &kind : kTimeline)
    effects.push_back(Make(kind, stage));
  PlatformSetFrameTap(NoteSwap, nullptr);

  const int boundaries[] = {12500, 25000, 44500, 89000};
  for (int i = 0; i < 4; ++i) {
    swappedBy.clear();
    // One pass of the show's frame loop with every effect seeing the same time.
    for (renderingNow = 0; renderingNow < 5; ++renderingNow)
      effects[renderingNow]->Render(boundaries[i]);
    EXPECT_EQ(swappedBy, (std::vector<int>{i, i + 1})) << "at " << boundaries[i];
  }
  // Inside a window only its own effect draws.
  swappedBy.clear();
  for (renderingNow = 0; renderingNow < 5; ++renderingNow)
    effects[renderingNow]->Render(30000);
  EXPECT_EQ(swappedBy, std::vector<int>{2});
  PlatformSetFrameTap(nullptr, nullptr);
}
