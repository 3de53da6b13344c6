// SPDX-License-Identifier: MIT
// Proves that the show plays the five effects in timeline order: the Demo
// builds them from its data file in list order with their windows, each
// pass of its frame loop lets exactly the effect whose window holds the time
// draw (both neighbours at a shared boundary), and the teardown deletes them
// with the rest (LeakSanitizer sees anything left behind).
#include "support/effect_stage.h"

#include "app/demo.h"
#include "effects/logo_spin_effect.h"
#include "effects/logo_twirl_effect.h"
#include "effects/logo_wave_effect.h"
#include "effects/logo_zoom_effect.h"
#include "effects/sphere_effect.h"
#include "platform/tap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

int64_t showTicks = 0; // what the performance counter reads, 10 MHz

int64_t ReadCounter(void *) {
  return showTicks;
}

struct Swaps {
  int count = 0;
  Frame last;
};

void CountSwap(void *user, const uint8_t *rgba, int width, int height) {
  Swaps *swaps = static_cast<Swaps *>(user);
  ++swaps->count;
  swaps->last.width = width;
  swaps->last.height = height;
  swaps->last.rgba.assign(rgba, rgba + size_t(width) * height * 4);
}

// The Demo opens "zarvox.dat" in the current folder: run it in a fresh folder
// holding the test media.
class ShowTimeline : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(scratch.Path().c_str()), 0);
    ASSERT_TRUE(WriteStoredRar("zarvox.dat", EffectStage::DefaultMedia()));
    PlatformSetCounterSource(ReadCounter, nullptr);
  }
  void TearDown() override {
    PlatformSetCounterSource(nullptr, nullptr);
    PlatformSetFrameTap(nullptr, nullptr);
    ASSERT_EQ(chdir(previous), 0);
  }
  ScratchDir scratch;
  char previous[4096];
};

} // namespace

TEST_F(ShowTimeline, DemoPlaysTheFiveEffectsInOrder) {
  Demo demo(nullptr, 128);
  demo.Setup(VideoMode{320, 240, 32, 60}, SoundSetup{0, 2, 44100}, false);
  ASSERT_NE(demo.glContext.renderContext, nullptr) << "no GL context";
  ASSERT_EQ(demo.effects.size(), 5u);
  EXPECT_NE(dynamic_cast<LogoZoomEffect *>(demo.effects[0]), nullptr);
  EXPECT_NE(dynamic_cast<LogoTwirlEffect *>(demo.effects[1]), nullptr);
  EXPECT_NE(dynamic_cast<LogoSpinEffect *>(demo.effects[2]), nullptr);
  EXPECT_NE(dynamic_cast<SphereEffect *>(demo.effects[3]), nullptr);
  EXPECT_NE(dynamic_cast<LogoWaveEffect *>(demo.effects[4]), nullptr);
  const int windows[5][2] = {{0, 12500}, {12500, 25000}, {25000, 44500}, {44500, 89000}, {89000, 128000}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(demo.effects[i]->startMs, windows[i][0]) << i;
    EXPECT_EQ(demo.effects[i]->endMs, windows[i][1]) << i;
    EXPECT_EQ(demo.effects[i]->name, "Effect Testing!!!");
  }

  Swaps swaps;
  PlatformSetFrameTap(CountSwap, &swaps);
  showTicks = 0;
  demo.timer.Start();
  auto frameAt = [&](int timeMs) {
    showTicks = int64_t(timeMs) * 10000;
    swaps.count = 0;
    demo.RenderFrame();
    return swaps.count;
  };
  // One effect per window, two at each shared boundary.
  for (int t : {0, 6000, 20000, 30000, 60000, 100000, 127500})
    EXPECT_EQ(frameAt(t), 1) << "at " << t;
  for (int t : {12500, 25000, 44500, 89000})
    EXPECT_EQ(frameAt(t), 2) << "at " << t;

  // And each draws its own picture from the data file: the zoom's logo
  // fills the view at 0 ms, the wave's covers a small middle part.
  frameAt(0);
  EXPECT_EQ(swaps.last.ShareNear(kWhite), 0.0);
  EXPECT_GT(swaps.last.ShareNear(kRed), 0.1);
  frameAt(100000);
  EXPECT_GT(swaps.last.ShareNear(kWhite), 0.8);
  EXPECT_GT(swaps.last.ShareNear(kRed), 0.01);
}
