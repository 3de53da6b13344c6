// SPDX-License-Identifier: MIT
// Proves that every instrument's note begins and ends at silence (no click at
// either edge) and that every voice falls silent for good in reasonable time.
#include "instruments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Rendering {
  std::vector<float> left, right;
  bool finished = false;
};

Rendering RenderAlone(media::Part part, double lengthS) {
  const media::Note note = {0.0, lengthS, 57, 1.0f, 0.0f, 0.8f};
  auto voice = media::MakeVoice(part, note, 12345);
  Rendering out;
  if (!voice)
    return out;
  const int block = 256, maxBlocks = int((lengthS + 4.0) * 44100 / block);
  for (int b = 0; b < maxBlocks; ++b) {
    float l[block] = {}, r[block] = {};
    bool more = voice->Render(l, r, block);
    out.left.insert(out.left.end(), l, l + block);
    out.right.insert(out.right.end(), r, r + block);
    if (!more) {
      out.finished = true;
      break;
    }
  }
  // Trailing zeros of the last block are not part of the sound.
  while (!out.left.empty() && out.left.back() == 0 && out.right.back() == 0) {
    out.left.pop_back();
    out.right.pop_back();
  }
  return out;
}

TEST(VoiceEdges, EveryInstrumentStartsAndEndsAtSilence) {
  for (int p = 0; p < int(media::Part::Count); ++p) {
    const media::Part part = media::Part(p);
    const double length = part == media::Part::Riser ? 1.0 : 0.25;
    SCOPED_TRACE("part " + std::to_string(p));
    Rendering r = RenderAlone(part, length);
    ASSERT_TRUE(r.finished) << "the voice never fell silent";
    ASSERT_GT(r.left.size(), 100u);
    for (const std::vector<float> *channel : {&r.left, &r.right}) {
      const std::vector<float> &x = *channel;
      float peak = 0;
      for (float v : x)
        peak = std::max(peak, std::fabs(v));
      ASSERT_GT(peak, 0.01f) << "the voice makes no sound";
      EXPECT_LE(std::fabs(x.front()), 0.05f * peak) << "starts with a step";
      EXPECT_LE(std::fabs(x.back()), 0.05f * peak) << "stops with a step";
      // The last millisecond is already a fade, not the body of the sound.
      float tail = 0;
      for (size_t i = x.size() - 44; i < x.size(); ++i)
        tail = std::max(tail, std::fabs(x[i]));
      EXPECT_LE(tail, 0.25f * peak) << "cut off instead of faded";
    }
  }
}

TEST(VoiceEdges, NoteReleasedAtOnceStillFadesOut) {
  // A key let go after one sample: the release must start from wherever the
  // attack had got to, not jump.
  for (media::Part part : {media::Part::Bass, media::Part::Pad, media::Part::Arp, media::Part::Lead}) {
    SCOPED_TRACE("part " + std::to_string(int(part)));
    Rendering r = RenderAlone(part, 1.0 / 44100);
    ASSERT_TRUE(r.finished);
    float step = 0;
    for (size_t i = 1; i < r.left.size(); ++i)
      step = std::max(step, std::fabs(r.left[i] - r.left[i - 1]));
    EXPECT_LT(step, 0.05f);
  }
}

} // namespace
