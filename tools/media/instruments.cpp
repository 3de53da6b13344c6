// SPDX-License-Identifier: MIT
// The instruments. Every voice begins at zero and ends at zero: drums ramp in
// over a fraction of a millisecond and fade out over their last milliseconds,
// tonal voices run an envelope whose attack and release are never instant.
#include "instruments.h"

#include "synth.h"

#include <cmath>

namespace media {

using synth::Adsr;
using synth::kRate;
using synth::MidiToHz;
using synth::Oscillator;
using synth::Random;
using synth::Svf;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Constant-power pan gains.
void PanGains(float pan, float &left, float &right) {
  double angle = (pan + 1) * kPi / 4;
  left = float(std::cos(angle));
  right = float(std::sin(angle));
}

// An exponential fall from 1 with the given time constant, one sample per
// call (cheaper than calling exp for every sample).
class Decay {
public:
  explicit Decay(double seconds) : coef_(std::exp(-1.0 / (seconds * kRate))) {}
  double Next() {
    double v = value_;
    value_ *= coef_;
    return v;
  }

private:
  double coef_, value_ = 1;
};

// A voice with a fixed length whose level comes from an envelope of time:
// a short linear rise at the start and a linear fade over the last
// `fadeS` seconds, so the sound can be cut at any length without a click.
class DrumVoice : public Voice {
public:
  DrumVoice(double lengthS, double riseS, double fadeS)
      : total_(long(lengthS * kRate)), rise_(riseS * kRate), fade_(fadeS * kRate) {}
  bool Render(float *left, float *right, int frames) override {
    for (int i = 0; i < frames && n_ < total_; ++i, ++n_) {
      double edge = std::fmin(1.0, std::fmin((n_ + 1) / rise_, (total_ - n_) / fade_));
      float l, r;
      Sample(n_ / double(kRate), l, r);
      left[i] += float(l * edge);
      right[i] += float(r * edge);
    }
    return n_ < total_;
  }

protected:
  virtual void Sample(double t, float &left, float &right) = 0;

private:
  long total_, n_ = 0; // length and position in samples
  double rise_, fade_; // ramp lengths in samples
};

// A sine with a falling pitch and a little saturation; `boom` is the long,
// deep impact used at the big changes.
class Kick : public DrumVoice {
public:
  Kick(const Note &note, bool boom)
      : DrumVoice(boom ? 2.2 : 0.42, 0.0005, 0.02), velocity_(note.velocity), boom_(boom), pitch_(boom ? 0.06 : 0.032),
        amp_(boom ? 0.7 : 0.17) {}

protected:
  void Sample(double, float &left, float &right) override {
    double freq = boom_ ? 38 + 90 * pitch_.Next() : 50 + 120 * pitch_.Next();
    double amp = amp_.Next();
    float s = osc_.Sine(freq / kRate);
    float click = float(clickAmp_.Next() * click_.Sine(1500.0 / kRate) * 0.12);
    float out = float(std::tanh(1.8 * s * amp) / std::tanh(1.8)) + (boom_ ? 0 : click);
    left = right = out * velocity_;
  }

private:
  Oscillator osc_{0.0}, click_{0.0};
  float velocity_;
  bool boom_;
  Decay pitch_, amp_, clickAmp_{0.0015};
};

// Tuned body plus band-limited noise.
class Snare : public DrumVoice {
public:
  Snare(const Note &note, uint32_t seed) : DrumVoice(0.32, 0.0007, 0.03), velocity_(note.velocity), noise_(seed) {
    high_.Set(1400, 0.7);
    low_.Set(8000, 0.7);
  }

protected:
  void Sample(double, float &left, float &right) override {
    float body = osc_.Sine((175 + 30 * bodyPitch_.Next()) / kRate) * float(bodyAmp_.Next());
    float n = low_.Process(high_.Process(noise_.Bipolar()).high).low * float(noiseAmp_.Next());
    left = right = (0.55f * body + 0.8f * n) * velocity_;
  }

private:
  float velocity_;
  Random noise_;
  Oscillator osc_{0.0};
  Svf high_, low_;
  Decay bodyPitch_{0.02}, bodyAmp_{0.045}, noiseAmp_{0.1};
};

// Closed or open hat: high-passed noise, softened at the very top.
class Hat : public DrumVoice {
public:
  Hat(const Note &note, uint32_t seed, bool open)
      : DrumVoice(open ? 0.5 : 0.1, 0.0005, open ? 0.05 : 0.015), velocity_(note.velocity), noise_(seed),
        decay_(open ? 0.14 : 0.028) {
    PanGains(note.pan, panL_, panR_);
    high_.Set(7000, 0.8);
    low_.Set(12500, 0.7);
  }

protected:
  void Sample(double, float &left, float &right) override {
    float s = low_.Process(high_.Process(noise_.Bipolar()).high).low * float(decay_.Next()) * velocity_;
    left = s * panL_;
    right = s * panR_;
  }

private:
  float velocity_;
  Random noise_;
  Decay decay_;
  float panL_, panR_;
  Svf high_, low_;
};

// A wide cymbal wash: independent noise on each side.
class Crash : public DrumVoice {
public:
  Crash(const Note &note, uint32_t seed)
      : DrumVoice(3.2, 0.001, 0.4), velocity_(note.velocity), l_(seed), r_(seed * 7 + 1) {
    for (Svf *f : {&highL_, &highR_})
      f->Set(3500, 0.7);
    for (Svf *f : {&lowL_, &lowR_})
      f->Set(11000, 0.7);
  }

protected:
  void Sample(double, float &left, float &right) override {
    float amp = float(decay_.Next()) * velocity_;
    left = lowL_.Process(highL_.Process(l_.Bipolar()).high).low * amp;
    right = lowR_.Process(highR_.Process(r_.Bipolar()).high).low * amp;
  }

private:
  float velocity_;
  Random l_, r_;
  Svf highL_, highR_, lowL_, lowR_;
  Decay decay_{0.75};
};

// Noise through a band-pass that sweeps upwards, swelling into the downbeat.
class Riser : public DrumVoice {
public:
  Riser(const Note &note, uint32_t seed)
      : DrumVoice(note.length, 0.01, 0.012), length_(note.length), velocity_(note.velocity), l_(seed),
        r_(seed * 5 + 3) {}

protected:
  void Sample(double t, float &left, float &right) override {
    double x = t / length_;
    if (counter_++ % 16 == 0) { // the sweep moves slowly; retune every 16 samples
      double freq = 350 * std::pow(7000.0 / 350, x);
      bandL_.Set(freq, 2.5);
      bandR_.Set(freq * 1.06, 2.5);
    }
    float amp = float(x * x * velocity_);
    left = bandL_.Process(l_.Bipolar()).band * amp;
    right = bandR_.Process(r_.Bipolar()).band * amp;
  }

private:
  double length_;
  float velocity_;
  Random l_, r_;
  Svf bandL_, bandR_;
  long counter_ = 0;
};

// A tonal voice: runs an envelope from the note's gate and stops when it has
// fallen to zero.
class ToneVoice : public Voice {
public:
  ToneVoice(const Note &note, const Adsr &envelope)
      : gate_(long(note.length * kRate)), envelope_(envelope), velocity_(note.velocity) {
    PanGains(note.pan, panL_, panR_);
  }
  bool Render(float *left, float *right, int frames) override {
    for (int i = 0; i < frames && !envelope_.Finished(); ++i, ++n_) {
      float amp = envelope_.Next(n_ < gate_) * velocity_;
      float l, r;
      Sample(n_ / double(kRate), l, r);
      left[i] += l * amp * panL_;
      right[i] += r * amp * panR_;
    }
    return !envelope_.Finished();
  }

protected:
  virtual void Sample(double t, float &left, float &right) = 0;
  long n_ = 0; // samples since the note began
  long gate_;  // samples the key is held
  Adsr envelope_;
  float velocity_, panL_, panR_;
};

// Saw and square through a resonant low-pass that opens at each note, with
// a sine an octave below for weight.
class Bass : public ToneVoice {
public:
  Bass(const Note &note, uint32_t seed)
      : ToneVoice(note, Adsr(0.003, 0.15, 0.7, 0.03)), freq_(MidiToHz(note.pitch)), saw_(Random(seed).Unit()),
        square_(Random(seed + 1).Unit()) {}

protected:
  void Sample(double t, float &left, float &right) override {
    if (n_ % 16 == 0)
      filter_.Set(110 + 1100 * std::exp(-t / 0.08) * velocity_, 1.3);
    double inc = freq_ / kRate;
    float raw = 0.6f * saw_.Saw(inc) + 0.35f * square_.Square(inc * 1.003);
    float s = filter_.Process(raw).low + 0.55f * sub_.Sine(inc / 2);
    left = right = s;
  }

private:
  double freq_;
  Oscillator saw_, square_, sub_{0.0};
  Svf filter_;
};

// Three detuned saws per note, spread across the stereo field. The pad
// group's low-pass sits on its bus, where it follows the arrangement.
class Pad : public ToneVoice {
public:
  Pad(const Note &note, uint32_t seed) : ToneVoice(note, Adsr(0.35, 1.2, 0.85, 0.9)) {
    Random r(seed);
    for (int i = 0; i < 3; ++i)
      saws_[i] = Oscillator(r.Unit());
    const double cents[3] = {-9, 0, 9};
    for (int i = 0; i < 3; ++i)
      inc_[i] = MidiToHz(note.pitch + cents[i] / 100) / kRate;
  }

protected:
  void Sample(double, float &left, float &right) override {
    float a = saws_[0].Saw(inc_[0]), b = saws_[1].Saw(inc_[1]), c = saws_[2].Saw(inc_[2]);
    left = 0.8f * a + 0.5f * b + 0.25f * c;
    right = 0.25f * a + 0.5f * b + 0.8f * c;
  }

private:
  Oscillator saws_[3];
  double inc_[3];
};

// A plucked sixteenth: a filter that snaps shut, brighter with `tone`.
class Arp : public ToneVoice {
public:
  Arp(const Note &note, uint32_t seed)
      : ToneVoice(note, Adsr(0.002, 0.14, 0.0, 0.05)), inc_(MidiToHz(note.pitch) / kRate), tone_(note.tone),
        saw_(Random(seed).Unit()), square_(Random(seed + 9).Unit()) {}

protected:
  void Sample(double t, float &left, float &right) override {
    if (n_ % 16 == 0)
      filter_.Set(400 + 4500 * tone_ * std::exp(-t / 0.06), 2.0);
    float raw = 0.6f * saw_.Saw(inc_) + 0.4f * square_.Square(inc_ * 1.004);
    left = right = filter_.Process(raw).low;
  }

private:
  double inc_;
  float tone_;
  Oscillator saw_, square_;
  Svf filter_;
};

// The lead: two detuned saws and a square an octave down, with a vibrato that
// sets in once a note is held.
class Lead : public ToneVoice {
public:
  Lead(const Note &note, uint32_t seed)
      : ToneVoice(note, Adsr(0.008, 0.35, 0.72, 0.16)), pitch_(note.pitch), tone_(note.tone), a_(Random(seed).Unit()),
        b_(Random(seed + 3).Unit()), sub_(Random(seed + 5).Unit()) {}

protected:
  void Sample(double t, float &left, float &right) override {
    if (n_ % 16 == 0) {
      double depth = 0.16 * (t < 0.22 ? 0 : std::fmin(1.0, (t - 0.22) / 0.3));
      double pitch = pitch_ + depth * std::sin(2 * kPi * 5.4 * t);
      inc_ = MidiToHz(pitch) / kRate;
      filter_.Set(1000 + 5000 * tone_ * (0.5 + 0.5 * std::exp(-t / 0.2)), 0.9);
    }
    float raw = 0.5f * a_.Saw(inc_ * 1.004) + 0.5f * b_.Saw(inc_ * 0.996) + 0.3f * sub_.Square(inc_ / 2);
    left = right = filter_.Process(raw).low;
  }

private:
  double pitch_;
  float tone_;
  double inc_ = 0;
  Oscillator a_, b_, sub_;
  Svf filter_;
};

} // namespace

std::unique_ptr<Voice> MakeVoice(Part part, const Note &note, uint32_t seed) {
  switch (part) {
  case Part::Kick:
    return std::make_unique<Kick>(note, false);
  case Part::Boom:
    return std::make_unique<Kick>(note, true);
  case Part::Snare:
    return std::make_unique<Snare>(note, seed);
  case Part::ClosedHat:
    return std::make_unique<Hat>(note, seed, false);
  case Part::OpenHat:
    return std::make_unique<Hat>(note, seed, true);
  case Part::Crash:
    return std::make_unique<Crash>(note, seed);
  case Part::Riser:
    return std::make_unique<Riser>(note, seed);
  case Part::Bass:
    return std::make_unique<Bass>(note, seed);
  case Part::Pad:
    return std::make_unique<Pad>(note, seed);
  case Part::Arp:
    return std::make_unique<Arp>(note, seed);
  case Part::Lead:
    return std::make_unique<Lead>(note, seed);
  case Part::Count:
    break;
  }
  return nullptr;
}

} // namespace media
