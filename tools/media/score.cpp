// SPDX-License-Identifier: MIT
// The composition, in A minor. Each section holds a whole number of 4/4
// bars, so its tempo follows from its length: 115.2 beats a minute in the two
// intro sections, about 123 from the spin effect on. Every change of the
// arrangement lands on a downbeat that is also a cut of the show.
#include "score.h"

#include <cmath>

namespace media {

namespace {

constexpr int kSectionBars[kSections] = {6, 6, 10, 23, 20};

enum Chord { Am, F, C, G, Em, Dm, E };

// Pad voicings (MIDI), kept close together so that chord changes glide.
const double kVoicing[][4] = {
    {57, 60, 64, 67}, // Am7
    {53, 57, 60, 67}, // Fadd9
    {55, 60, 64, 67}, // C/G
    {55, 59, 62, 67}, // G
    {55, 59, 64, 67}, // Em
    {57, 62, 65, 69}, // Dm
    {56, 59, 64, 68}, // E
};
const double kBassRoot[] = {33, 41, 36, 43, 40, 38, 40}; // A1 .. G2

// One chord per bar, section by section.
const Chord kChords[] = {
    Am, Am, F,  F, C,  G,                                              // intro: zoom
    Am, F,  C,  G, F,  E,                                              // the beat enters: twirl
    Am, F,  C,  G, Am, F, C, G, Dm, E,                                 // first theme: spin
    Am, F,  C,  G,                                                     // breakdown: sphere
    F,  G,  Am, C, F,  G, E, E, F,  G, Am, C, F, G, E, E,              // chorus twice: sphere with inset
    Dm, Dm, E,                                                         // build-up
    Am, F,  C,  G, Am, F, C, G, F,  G, Am, C, F, G, E, E, F, G, Am, Am // themes again and the close: wave
};

struct Phrase {
  int bar;      // bar within the phrase
  double beat;  // beat within the bar
  double beats; // length
  double pitch; // MIDI
};

// First theme, over Am F C G Am F C G.
const Phrase kThemeA[] = {
    {0, 0, 1.5, 76},   {0, 1.5, 0.5, 74}, {0, 2, 1, 72},     {0, 3, 0.5, 71},   {0, 3.5, 0.5, 72}, {1, 0, 1.5, 69},
    {1, 1.5, 0.5, 72}, {1, 2, 1.5, 77},   {1, 3.5, 0.5, 76}, {2, 0, 1, 76},     {2, 1, 1, 79},     {2, 2, 0.5, 76},
    {2, 2.5, 0.5, 74}, {2, 3, 1, 72},     {3, 0, 1.5, 74},   {3, 1.5, 0.5, 71}, {3, 2, 1, 67},     {3, 3, 0.5, 71},
    {3, 3.5, 0.5, 74}, {4, 0, 1.5, 76},   {4, 1.5, 0.5, 74}, {4, 2, 1, 72},     {4, 3, 0.5, 76},   {4, 3.5, 0.5, 81},
    {5, 0, 1, 81},     {5, 1, 0.5, 79},   {5, 1.5, 0.5, 77}, {5, 2, 1, 76},     {5, 3, 1, 72},     {6, 0, 1.5, 76},
    {6, 1.5, 0.5, 79}, {6, 2, 1, 84},     {6, 3, 0.5, 79},   {6, 3.5, 0.5, 76}, {7, 0, 3, 74},     {7, 3, 1, 71},
};

// Chorus theme, over F G Am C F G E E.
const Phrase kThemeB[] = {
    {0, 0, 1, 81},     {0, 1, 0.5, 81},   {0, 1.5, 1, 79},   {0, 2.5, 0.5, 77}, {0, 3, 1, 76},     {1, 0, 0.5, 74},
    {1, 0.5, 0.5, 76}, {1, 1, 1.5, 79},   {1, 2.5, 1.5, 74}, {2, 0, 1, 76},     {2, 1, 0.5, 72},   {2, 1.5, 1, 76},
    {2, 2.5, 1.5, 81}, {3, 0, 2, 79},     {3, 2, 1, 76},     {3, 3, 1, 79},     {4, 0, 1, 81},     {4, 1, 0.5, 81},
    {4, 1.5, 1, 79},   {4, 2.5, 0.5, 77}, {4, 3, 1, 76},     {5, 0, 0.5, 74},   {5, 0.5, 0.5, 76}, {5, 1, 1.5, 79},
    {5, 2.5, 1.5, 83}, {6, 0, 1.5, 80},   {6, 1.5, 0.5, 83}, {6, 2, 2, 76},     {7, 0, 2.5, 80},   {7, 2.5, 0.5, 76},
    {7, 3, 1, 83},
};

double Lerp(double a, double b, double t) {
  return a + (b - a) * (t < 0 ? 0 : (t > 1 ? 1 : t));
}
// Geometric interpolation, for frequencies.
double Glide(double a, double b, double t) {
  return a * std::pow(b / a, t < 0 ? 0 : (t > 1 ? 1 : t));
}

} // namespace

Score::Score() {
  // The tempo map: bars of equal length within each section.
  int bar = 0;
  for (int s = 0; s < kSections; ++s) {
    sectionBars_[s] = bar;
    const double barSeconds = (kSectionStarts[s + 1] - kSectionStarts[s]) / kSectionBars[s];
    for (int i = 0; i < kSectionBars[s]; ++i, ++bar)
      barStarts_.push_back(kSectionStarts[s] + i * barSeconds);
  }
  sectionBars_[kSections] = bar;
  barStarts_.push_back(kTrackSeconds);
  static_assert(sizeof kChords / sizeof kChords[0] == 65, "one chord per bar");

  const int intro = sectionBars_[0], groove = sectionBars_[1], themeA = sectionBars_[2];
  const int breakdown = sectionBars_[3], chorus = breakdown + 4, build = breakdown + 20;
  const int finale = sectionBars_[4], close = finale + 16, end = sectionBars_[5];

  // ---- drums ----
  auto fill = [&](int b, double from) { // snare sixteenths rising to the next downbeat
    for (double beat = from; beat < 4; beat += 0.25)
      Add(Part::Snare, b, beat, 0.25, 0, float(Lerp(0.35, 1.0, (beat - from) / (4 - from))));
  };
  for (int b = groove; b < close; ++b) {
    bool breakdownBar = b >= breakdown && b < chorus;
    if (breakdownBar)
      continue;
    const bool grooveSection = b < themeA;
    const bool lastBeatRest = (b == build + 2); // a breath before the finale
    for (int beat = 0; beat < 4; ++beat) {
      if (lastBeatRest && beat == 3)
        break;
      Add(Part::Kick, b, beat, 0.5, 0, beat == 0 ? 1.0f : 0.92f);
    }
    // Hats: offbeat eighths while the groove builds, sixteenths after.
    for (int step = 0; step < 16; ++step) {
      double beat = step * 0.25;
      if (lastBeatRest && beat >= 3)
        break;
      bool offbeat = step % 4 == 2;
      if (grooveSection) {
        if (offbeat)
          Add(Part::ClosedHat, b, beat, 0.25, 0, 0.75f, 0.25f);
        continue;
      }
      bool openHats = b >= chorus && b < build;
      openHats = openHats || b >= finale;
      if (offbeat && openHats)
        Add(Part::OpenHat, b, beat, 0.5, 0, 0.55f, 0.25f);
      else
        Add(Part::ClosedHat, b, beat, 0.25, 0, offbeat ? 0.8f : (step % 2 ? 0.35f : 0.55f), 0.25f);
    }
    // Snare on two and four from the first theme on, fills before changes.
    if (b >= build && b < finale) {
      int stage = b - build; // quarters, then eighths, then sixteenths
      double step = stage == 0 ? 1 : (stage == 1 ? 0.5 : 0.25);
      for (double beat = 0; beat < (stage == 2 ? 3 : 4); beat += step)
        Add(Part::Snare, b, beat, 0.25, 0, float(Lerp(0.45, 1.0, (stage * 4 + beat) / 12)));
    } else if (b == groove + 5 || b == themeA + 9 || b == close - 1) {
      if (b != groove + 5) {
        Add(Part::Snare, b, 1, 0.25, 0, 0.9f);
      }
      fill(b, 2);
    } else if (!grooveSection) {
      Add(Part::Snare, b, 1, 0.25, 0, 0.9f);
      Add(Part::Snare, b, 3, 0.25, 0, 0.9f);
    }
  }
  for (int b : {groove, themeA, breakdown, chorus, chorus + 8, finale, finale + 8, close})
    Add(Part::Crash, b, 0, 4, 0, b == chorus + 8 || b == finale + 8 ? 0.7f : 1.0f);
  for (int b : {intro, breakdown, close})
    Add(Part::Boom, b, 0, 4, 0, 1.0f);
  // Noise risers into the changes: (first bar, bars).
  const int risers[][2] = {{groove - 1, 1}, {themeA - 2, 2}, {breakdown - 2, 2}, {chorus - 1, 1},
                           {build, 3},      {finale + 7, 1}, {close - 1, 1}};
  for (const auto &r : risers)
    Add(Part::Riser, r[0], 0, 4.0 * r[1], 0, r[1] == 3 ? 1.0f : 0.8f);

  // ---- bass ----
  for (int b = intro + 2; b < end; ++b) {
    const double root = kBassRoot[kChords[b]];
    if (b < groove) { // held notes under the intro's second half
      Add(Part::Bass, b, 0, 3.8, root, 0.5f);
    } else if (b < themeA) { // offbeat eighths
      for (int beat = 0; beat < 4; ++beat)
        Add(Part::Bass, b, beat + 0.5, 0.42, root, 0.8f);
    } else if ((b >= breakdown && b < chorus) || (b >= close && b < close + 2)) { // held notes
      Add(Part::Bass, b, 0, 3.8, root, 0.65f);
    } else if (b >= close + 2) { // the last chord rings to the end
      if (b == close + 2)
        Add(Part::Bass, b, 0, 7.6, root, 0.65f);
    } else if (b >= build && b < finale) { // straight eighths into the finale
      for (double beat = 0; beat < (b == build + 2 ? 3 : 4); beat += 0.5)
        Add(Part::Bass, b, beat, 0.4, root, beat == std::floor(beat) ? 0.85f : 0.7f);
    } else { // rolling sixteenths around the kick
      for (int beat = 0; beat < 4; ++beat) {
        Add(Part::Bass, b, beat + 0.25, 0.2, root, 0.7f);
        Add(Part::Bass, b, beat + 0.5, 0.2, root + 12, 0.8f);
        Add(Part::Bass, b, beat + 0.75, 0.2, root, 0.7f);
      }
    }
  }

  // ---- pads: one chord a bar, the last one held to the end ----
  for (int b = intro; b < end; ++b) {
    if (b == end - 1)
      break;
    double beats = b == end - 2 ? 8 : 4;
    float velocity = b < groove ? float(Lerp(0.85, 1.0, double(b) / (groove - 1))) : 0.85f;
    for (double note : kVoicing[kChords[b]])
      Add(Part::Pad, b, 0, beats, note, velocity);
  }

  // ---- arpeggio: sixteenths over the chord, an octave above the pad ----
  static const int kArpOrder[8] = {0, 1, 2, 3, 1, 2, 3, 2};
  for (int b = intro + 1; b < close + 2; ++b) {
    float tone;
    if (b < groove)
      tone = float(Lerp(0.12, 0.55, double(b - 1) / (groove - 2)));
    else if (b < themeA)
      tone = 0.6f;
    else if (b < breakdown)
      tone = 0.7f;
    else if (b < chorus)
      tone = float(Lerp(0.3, 0.75, double(b - breakdown) / 3));
    else if (b < build)
      tone = 0.85f;
    else if (b < finale)
      tone = float(Lerp(0.6, 1.0, double(b - build) / 2));
    else if (b < close)
      tone = 0.8f;
    else
      tone = float(Lerp(0.5, 0.25, double(b - close)));
    const double lift = (b >= chorus + 8 && b < build) || (b >= finale + 8 && b < close) ? 24 : 12;
    for (int step = 0; step < 16; ++step) {
      double pitch = kVoicing[kChords[b]][kArpOrder[step % 8]] + lift;
      Add(Part::Arp, b, step * 0.25, 0.25, pitch, step % 4 == 0 ? 0.75f : 0.55f, step % 2 ? 0.35f : -0.35f, tone);
    }
  }

  // ---- lead ----
  auto phrase = [&](const Phrase *notes, size_t count, int first, bool doubled) {
    for (size_t i = 0; i < count; ++i) {
      const Phrase &p = notes[i];
      Add(Part::Lead, first + p.bar, p.beat, p.beats, p.pitch, 0.8f, 0, 0.7f);
      if (doubled)
        Add(Part::Lead, first + p.bar, p.beat, p.beats, p.pitch + 12, 0.3f, 0, 0.35f);
    }
  };
  const size_t countA = sizeof kThemeA / sizeof kThemeA[0], countB = sizeof kThemeB / sizeof kThemeB[0];
  phrase(kThemeA, countA, themeA, false);
  Add(Part::Lead, themeA + 8, 0, 4, 77, 0.75f, 0, 0.6f); // over Dm
  Add(Part::Lead, themeA + 9, 0, 3, 80, 0.75f, 0, 0.6f); // over E
  phrase(kThemeB, countB, chorus, false);
  phrase(kThemeB, countB, chorus + 8, true);
  phrase(kThemeA, countA, finale, false);
  phrase(kThemeB, countB, finale + 8, true);
  const Phrase ending[] = {{0, 0, 2, 76}, {0, 2, 2, 72}, {1, 0, 2, 74}, {1, 2, 2, 71}, {2, 0, 7, 69}};
  for (const Phrase &p : ending)
    Add(Part::Lead, close + p.bar, p.beat, p.beats, p.pitch, 0.7f, 0, 0.5f);
}

void Score::Add(Part part, int bar, double beat, double beats, double pitch, float velocity, float pan, float tone) {
  const double start = Time(bar, beat);
  notes_[int(part)].push_back({start, Time(bar, beat + beats) - start, pitch, velocity, pan, tone});
}

double Score::Time(int bar, double beat) const {
  // Beats past the bar's end count on into the following bars, whose lengths
  // may differ from this one's.
  while (beat >= 4 && bar < Bars()) {
    beat -= 4;
    ++bar;
  }
  if (bar >= Bars())
    return kTrackSeconds + beat * (barStarts_[Bars()] - barStarts_[Bars() - 1]) / 4;
  return barStarts_[bar] + beat / 4 * (barStarts_[bar + 1] - barStarts_[bar]);
}

double Score::PadCutoff(double t) const {
  const double chorus = Time(sectionBars_[3] + 4, 0), build = Time(sectionBars_[3] + 20, 0);
  const double close = Time(sectionBars_[4] + 16, 0);
  if (t < kSectionStarts[1])
    return Glide(800, 2200, t / kSectionStarts[1]);
  if (t < kSectionStarts[3])
    return t < kSectionStarts[2] ? 2200 : 2600;
  if (t < chorus)
    return Glide(1200, 3200, (t - kSectionStarts[3]) / (chorus - kSectionStarts[3]));
  if (t < build)
    return 3000;
  if (t < kSectionStarts[4])
    return Glide(1500, 5000, (t - build) / (kSectionStarts[4] - build));
  if (t < close)
    return 3000;
  return Glide(3000, 900, (t - close) / (kTrackSeconds - close));
}

double Score::MasterGain(double t) const {
  const double fadeFrom = 124.0, fadeTo = 127.6; // the show closes at about 127.5 s
  if (t < 0.02)
    return t / 0.02;
  if (t < fadeFrom)
    return 1;
  if (t >= fadeTo)
    return 0;
  return 0.5 + 0.5 * std::cos(3.14159265358979323846 * (t - fadeFrom) / (fadeTo - fadeFrom));
}

} // namespace media
