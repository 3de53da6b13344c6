// SPDX-License-Identifier: MIT
// Proves that the music's structure follows the show: every section starts on
// a downbeat exactly at a cut, with a marked change there, and no note runs
// past the end of the track.
#include "score.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(TempoMap, EverySectionStartsOnADownbeatAtItsCut) {
  const media::Score score;
  for (int s = 0; s < media::kSections; ++s) {
    SCOPED_TRACE("section " + std::to_string(s));
    const int first = score.FirstBarOfSection(s), next = score.FirstBarOfSection(s + 1);
    EXPECT_NEAR(score.Time(first, 0), media::kSectionStarts[s], 1e-9);
    // Equal bars within a section, at a tempo one can dance to.
    const double bar = score.Time(first + 1, 0) - score.Time(first, 0);
    const double bpm = 4 * 60 / bar;
    EXPECT_GT(bpm, 100);
    EXPECT_LT(bpm, 140);
    for (int b = first; b < next; ++b)
      EXPECT_NEAR(score.Time(b + 1, 0) - score.Time(b, 0), bar, 1e-9);
  }
  EXPECT_NEAR(score.Time(score.Bars(), 0), media::kTrackSeconds, 1e-9);
}

TEST(TempoMap, BeatsPastTheBarRunIntoTheNextBarsAtTheirOwnTempo) {
  const media::Score score;
  const int last = score.FirstBarOfSection(2) - 1; // last bar before a change of tempo
  EXPECT_NEAR(score.Time(last, 4), media::kSectionStarts[2], 1e-9);
  EXPECT_NEAR(score.Time(last, 6), score.Time(last + 1, 2), 1e-9);
}

TEST(Arrangement, EveryCutIsMarkedByACymbalOrAnImpact) {
  const media::Score score;
  for (int s = 1; s < media::kSections; ++s) {
    bool marked = false;
    for (media::Part part : {media::Part::Crash, media::Part::Boom})
      for (const media::Note &n : score.Notes(part))
        marked |= std::fabs(n.start - media::kSectionStarts[s]) < 1e-6;
    EXPECT_TRUE(marked) << "nothing happens at " << media::kSectionStarts[s] << " s";
  }
}

TEST(Arrangement, EveryNoteLiesWithinTheTrack) {
  const media::Score score;
  for (int p = 0; p < int(media::Part::Count); ++p) {
    for (const media::Note &n : score.Notes(media::Part(p))) {
      EXPECT_GE(n.start, 0);
      EXPECT_GT(n.length, 0);
      EXPECT_LE(n.start + n.length, media::kTrackSeconds + 1e-9) << "part " << p << " at " << n.start;
    }
  }
}

} // namespace
