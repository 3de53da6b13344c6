// SPDX-License-Identifier: MIT
// The soundtrack's composition: a tempo map whose sections start exactly at
// the show's cuts, and every note of every part as a list of timed events,
// plus the few mix settings that follow the arrangement over time.
#pragma once
#include "effects/show_timeline.h"

#include <vector>

namespace media {

constexpr double kTrackSeconds = show::kShowSeconds;
constexpr int kSections = show::kEffectCount;
// Where the picture cuts to the next effect, and so where the music changes.
constexpr double kSectionStarts[kSections + 1] = {show::kZoom.startMs / 1000.0, show::kTwirl.startMs / 1000.0,
                                                  show::kSpin.startMs / 1000.0, show::kSphere.startMs / 1000.0,
                                                  show::kWave.startMs / 1000.0, kTrackSeconds};

enum class Part { Kick, Snare, ClosedHat, OpenHat, Crash, Riser, Boom, Bass, Pad, Arp, Lead, Count };

struct Note {
  double start;   // seconds from the start of the track
  double length;  // seconds the key is held (the sound may ring on)
  double pitch;   // MIDI note number (69 = A4); unused by noise drums
  float velocity; // 0..1
  float pan;      // -1 left .. 1 right
  float tone;     // 0..1, brightness of the arpeggio and lead
};

class Score {
public:
  Score();
  const std::vector<Note> &Notes(Part part) const { return notes_[int(part)]; }
  int Bars() const { return int(barStarts_.size()) - 1; }
  // Seconds at beat `beat` (0..; may run past 4 into later bars) of bar `bar`.
  double Time(int bar, double beat) const;
  int FirstBarOfSection(int section) const { return sectionBars_[section]; }

  double PadCutoff(double seconds) const;  // low-pass of the pad group, Hz
  double MasterGain(double seconds) const; // fade in at the start, out at the end

private:
  void Add(Part part, int bar, double beat, double beats, double pitch, float velocity, float pan = 0, float tone = 0);
  std::vector<double> barStarts_;  // seconds; one more than there are bars
  int sectionBars_[kSections + 1]; // first bar of each section, then the bar count
  std::vector<Note> notes_[int(Part::Count)];
};

} // namespace media
