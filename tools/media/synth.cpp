// SPDX-License-Identifier: MIT
// Sound building blocks of the soundtrack (see synth.h).
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace media {
namespace synth {

namespace {
constexpr double kPi = 3.14159265358979323846;

// The PolyBLEP residual that rounds off a unit step at phase 0 within one sample.
double Blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}
} // namespace

double MidiToHz(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

float Random::Bipolar() {
  return Unit() * 2.0f - 1.0f;
}

float Random::Unit() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return float(state_ >> 8) * (1.0f / 16777216.0f);
}

void Svf::Set(double cutoffHz, double q) {
  cutoffHz = std::clamp(cutoffHz, 10.0, kRate * 0.45);
  g_ = float(std::tan(kPi * cutoffHz / kRate));
  k_ = float(1.0 / q);
  a1_ = 1.0f / (1.0f + g_ * (g_ + k_));
  a2_ = g_ * a1_;
  a3_ = g_ * a2_;
}

Svf::Out Svf::Process(float in) {
  float v3 = in - ic2_;
  float v1 = a1_ * ic1_ + a2_ * v3;
  float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
  ic1_ = 2 * v1 - ic1_;
  ic2_ = 2 * v2 - ic2_;
  return {v2, v1, in - k_ * v1 - v2};
}

float Oscillator::Saw(double increment) {
  double out = 2 * phase_ - 1 - Blep(phase_, increment);
  phase_ += increment;
  if (phase_ >= 1)
    phase_ -= 1;
  return float(out);
}

float Oscillator::Square(double increment) {
  double out = phase_ < 0.5 ? 1.0 : -1.0;
  out += Blep(phase_, increment);
  double half = phase_ + 0.5;
  if (half >= 1)
    half -= 1;
  out -= Blep(half, increment);
  phase_ += increment;
  if (phase_ >= 1)
    phase_ -= 1;
  return float(out);
}

float Oscillator::Sine(double increment) {
  double out = std::sin(2 * kPi * phase_);
  phase_ += increment;
  if (phase_ >= 1)
    phase_ -= 1;
  return float(out);
}

Adsr::Adsr(double attackS, double decayS, double sustain, double releaseS)
    : attackStep_(float(1.0 / std::max(1.0, attackS * kRate))),
      decayCoef_(float(std::exp(-1.0 / std::max(1.0, decayS * kRate)))), sustain_(float(sustain)),
      releaseSamples_(float(std::max(1.0, releaseS * kRate))) {}

float Adsr::Next(bool gate) {
  if (!gate && (stage_ == Stage::Attack || stage_ == Stage::Decay)) {
    stage_ = Stage::Release;
    releaseStep_ = level_ / releaseSamples_;
  }
  switch (stage_) {
  case Stage::Attack:
    level_ += attackStep_;
    if (level_ >= 1) {
      level_ = 1;
      stage_ = Stage::Decay;
    }
    break;
  case Stage::Decay:
    level_ = sustain_ + (level_ - sustain_) * decayCoef_;
    break;
  case Stage::Release:
    level_ -= releaseStep_;
    if (level_ <= 0) {
      level_ = 0;
      stage_ = Stage::Done;
    }
    break;
  case Stage::Done:
    level_ = 0;
    break;
  }
  return level_;
}

PingPongDelay::PingPongDelay(double seconds, float feedback, double dampHz)
    : left_(size_t(seconds * kRate)), right_(size_t(seconds * kRate)), feedback_(feedback),
      dampCoef_(float(1 - std::exp(-2 * kPi * dampHz / kRate))) {}

void PingPongDelay::Process(float inL, float inR, float &outL, float &outR) {
  outL = left_[pos_];
  outR = right_[pos_];
  dampL_ += dampCoef_ * (outL - dampL_);
  dampR_ += dampCoef_ * (outR - dampR_);
  // What came out on the left goes back in on the right, and the other way.
  left_[pos_] = inL + dampR_ * feedback_;
  right_[pos_] = inR + dampL_ * feedback_;
  if (++pos_ == left_.size())
    pos_ = 0;
}

Reverb::Reverb(float roomSize, float damping) : feedback_(roomSize), damp_(damping) {
  // Comb and allpass lengths at 44.1 kHz, mutually prime-ish so that their
  // echoes do not line up; the right channel is 23 samples longer.
  static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int kAllpasses[4] = {556, 441, 341, 225};
  const int spread = 23;
  for (int i = 0; i < 8; ++i) {
    combsL_[i].buffer.assign(size_t(kCombs[i]), 0.0f);
    combsR_[i].buffer.assign(size_t(kCombs[i] + spread), 0.0f);
  }
  for (int i = 0; i < 4; ++i) {
    allpassL_[i].buffer.assign(size_t(kAllpasses[i]), 0.0f);
    allpassR_[i].buffer.assign(size_t(kAllpasses[i] + spread), 0.0f);
  }
}

float Reverb::ProcessChannel(float in, Comb *combs, Allpass *allpasses) {
  float out = 0;
  for (int i = 0; i < 8; ++i) {
    Comb &c = combs[i];
    float y = c.buffer[c.pos];
    c.store = y * (1 - damp_) + c.store * damp_;
    c.buffer[c.pos] = in + c.store * feedback_;
    if (++c.pos == c.buffer.size())
      c.pos = 0;
    out += y;
  }
  for (int i = 0; i < 4; ++i) {
    Allpass &a = allpasses[i];
    float y = a.buffer[a.pos];
    a.buffer[a.pos] = out + y * 0.5f;
    out = y - out;
    if (++a.pos == a.buffer.size())
      a.pos = 0;
  }
  return out;
}

void Reverb::Process(float inL, float inR, float &outL, float &outR) {
  // The combs sum eight copies, so the input is scaled down first.
  float in = (inL + inR) * 0.015f;
  float l = ProcessChannel(in, combsL_, allpassL_);
  float r = ProcessChannel(in, combsR_, allpassR_);
  outL = l;
  outR = r;
}

LimiterStats LimitPeaks(std::vector<float> &stereo, float ceiling, double attackS, double releaseS) {
  const size_t frames = stereo.size() / 2;
  if (frames == 0)
    return {1, 0};
  // The gain each frame needs on its own.
  std::vector<float> gain(frames);
  for (size_t i = 0; i < frames; ++i) {
    float peak = std::max(std::fabs(stereo[2 * i]), std::fabs(stereo[2 * i + 1]));
    gain[i] = peak > ceiling ? ceiling / peak : 1.0f;
  }
  // Backwards: the gain may rise by at most `step` per frame, so it is already
  // down when a peak arrives (a linear fade over the attack time).
  const float step = float(1.0 / std::max(1.0, attackS * kRate));
  for (size_t i = frames - 1; i-- > 0;)
    gain[i] = std::min(gain[i], gain[i + 1] + step);
  // Forwards: after a peak the gain recovers exponentially, never above what
  // the backward pass allows.
  const float recover = float(1 - std::exp(-1.0 / (releaseS * kRate)));
  float g = gain[0], deepest = 1;
  size_t below = 0;
  for (size_t i = 0; i < frames; ++i) {
    g = std::min(gain[i], g + (1 - g) * recover);
    deepest = std::min(deepest, g);
    below += g < 0.891f;
    stereo[2 * i] *= g;
    stereo[2 * i + 1] *= g;
  }
  return {deepest, double(below) / double(frames)};
}

} // namespace synth
} // namespace media
