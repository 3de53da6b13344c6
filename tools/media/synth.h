// SPDX-License-Identifier: MIT
// Sound building blocks of the soundtrack: noise, band-limited oscillators,
// a state-variable filter, envelopes, a stereo delay, a reverb and a
// look-ahead peak limiter. All of it is plain arithmetic on floats with no
// hidden state outside the objects, so a render is the same on every run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {
namespace synth {

constexpr int kRate = 44100; // samples per second per channel

double MidiToHz(double note); // 69 = A4 = 440 Hz

// White noise from a 32-bit xorshift generator; seeds give independent streams.
class Random {
public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
  float Bipolar(); // uniform in [-1, 1)
  float Unit();    // uniform in [0, 1)

private:
  uint32_t state_;
};

// Trapezoidal state-variable filter (two integrators, stable at any cutoff
// below Nyquist). One call gives the low-, band- and high-pass outputs.
class Svf {
public:
  struct Out {
    float low, band, high;
  };
  void Set(double cutoffHz, double q); // q 0.5 (soft) .. 10 (ringing)
  Out Process(float in);
  void Reset() { ic1_ = ic2_ = 0; }

private:
  float g_ = 0, k_ = 2, a1_ = 0, a2_ = 0, a3_ = 0; // coefficients from Set
  float ic1_ = 0, ic2_ = 0;                        // integrator states
};

// Saw and square with PolyBLEP corners (far less aliasing than naive ones),
// and a sine. `increment` is frequency / kRate, below 0.5.
class Oscillator {
public:
  explicit Oscillator(double phase = 0) : phase_(phase) {}
  float Saw(double increment);
  float Square(double increment);
  float Sine(double increment);

private:
  double phase_; // 0..1, the position within the current cycle
};

// Attack-decay-sustain-release envelope. Attack rises linearly from 0, decay
// falls exponentially towards the sustain level, release falls linearly to
// exactly 0 from wherever the gate was closed, so a note never starts or
// stops with a step (no click).
class Adsr {
public:
  Adsr(double attackS, double decayS, double sustain, double releaseS);
  float Next(bool gate); // one sample
  bool Finished() const { return stage_ == Stage::Done; }

private:
  enum class Stage { Attack, Decay, Release, Done };
  Stage stage_ = Stage::Attack;
  float level_ = 0;       // current output
  float attackStep_;      // level per sample while rising
  float decayCoef_;       // per-sample factor of the distance to sustain
  float sustain_;         // level held while the gate stays open
  float releaseStep_ = 0; // level per sample while falling, set at gate close
  float releaseSamples_;  // release time in samples
};

// Ping-pong echo: the left input repeats on the right, then left, and so on;
// every repeat is darkened by a low-pass in the feedback path.
class PingPongDelay {
public:
  PingPongDelay(double seconds, float feedback, double dampHz);
  void Process(float inL, float inR, float &outL, float &outR);

private:
  std::vector<float> left_, right_; // circular buffers of the delay length
  size_t pos_ = 0;                  // write position in both
  float feedback_;                  // gain of each repeat
  float dampCoef_;                  // one-pole low-pass coefficient in the loop
  float dampL_ = 0, dampR_ = 0;     // its states
};

// A room-like reverb: eight damped feedback combs in parallel and four
// allpasses in series per channel, the right channel slightly detuned from
// the left for width. Output is the wet signal only.
class Reverb {
public:
  Reverb(float roomSize, float damping);
  void Process(float inL, float inR, float &outL, float &outR);

private:
  struct Comb {
    std::vector<float> buffer;
    size_t pos = 0;
    float store = 0; // the damping low-pass state
  };
  struct Allpass {
    std::vector<float> buffer;
    size_t pos = 0;
  };
  float ProcessChannel(float in, Comb *combs, Allpass *allpasses);
  Comb combsL_[8], combsR_[8];
  Allpass allpassL_[4], allpassR_[4];
  float feedback_, damp_;
};

// Brings interleaved stereo under `ceiling` (absolute sample value) with a
// gain that falls linearly over `attackS` before each peak and recovers
// exponentially over `releaseS` after it. Works on the whole track at once,
// so it sees every peak coming.
struct LimiterStats {
  float deepestGain;    // the lowest gain applied; 1 when the limiter never acted
  double shareBelow1dB; // share of the frames whose gain was under -1 dB
};
LimiterStats LimitPeaks(std::vector<float> &stereo, float ceiling, double attackS, double releaseS);

} // namespace synth
} // namespace media
