// SPDX-License-Identifier: MIT
// Windowed-sinc sample-rate conversion to the mixing rate.
#include "common/sound/resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace platform::sound {
namespace {

// Zero crossings of the sinc on each side of the centre at full bandwidth;
// more when the filter narrows for a lower output rate.
constexpr double kZeroCrossings = 11.0;
// Passband edge as a share of the lower of the two Nyquist frequencies.
constexpr double kBandwidth = 0.92;
// Most filter rows; common rate pairs need fewer and are then exact.
constexpr int kMaxPhases = 4096;

constexpr double kPi = 3.14159265358979323846;

// Blackman-Harris window over u in [-1, 1].
double Window(double u) {
  if (u <= -1.0 || u >= 1.0)
    return 0.0;
  const double t = kPi * (u + 1.0); // 0 .. 2 pi
  return 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
}

int16_t ToSample(float value) {
  const long rounded = std::lrint(value);
  return int16_t(std::clamp(rounded, -32768L, 32767L));
}

} // namespace

Resampler::Resampler(int inputRate_, int inputChannels_, int outputRate_)
    : inputRate(inputRate_), inputChannels(inputChannels_), outputRate(outputRate_),
      passThrough(inputRate_ == outputRate_) {
  if (passThrough)
    return;
  const double scale = std::min(1.0, double(outputRate) / inputRate); // narrows the band when going down
  const double cutoff = 0.5 * kBandwidth * scale;                     // cycles per input frame
  const int half = int(std::ceil(kZeroCrossings / (2 * cutoff)));     // input frames on each side
  taps = 2 * half;
  const int exactPhases = outputRate / std::gcd(inputRate, outputRate);
  phases = std::min(exactPhases, kMaxPhases);
  weights.resize(size_t(phases) * taps);
  for (int p = 0; p < phases; ++p) {
    float *row = &weights[size_t(p) * taps];
    const double fraction = double(p) / phases;
    double sum = 0;
    for (int j = 0; j < taps; ++j) {
      const double x = fraction + half - 1 - j; // distance from the output instant, in input frames
      const double arg = 2 * cutoff * x;
      const double sinc = arg == 0 ? 1.0 : std::sin(kPi * arg) / (kPi * arg);
      row[j] = float(2 * cutoff * sinc * Window(x / half));
      sum += row[j];
    }
    for (int j = 0; j < taps; ++j) // unity gain at DC in every row
      row[j] = float(row[j] / sum);
  }
  // The first output frames look back before the track: start on silence.
  history.assign(size_t(half - 1) * 2, 0.0f);
}

void Resampler::Put(const int16_t *samples, size_t frames) {
  if (outputTaken > 0) {
    output.erase(output.begin(), output.begin() + outputTaken);
    outputTaken = 0;
  }
  if (passThrough) {
    for (size_t i = 0; i < frames; ++i) {
      const int16_t left = samples[i * inputChannels];
      output.push_back(left);
      output.push_back(inputChannels == 2 ? samples[i * 2 + 1] : left);
    }
    inputFrames += frames;
    outputFrames += frames;
    return;
  }
  for (size_t i = 0; i < frames; ++i) {
    const float left = samples[i * inputChannels];
    history.push_back(left);
    history.push_back(inputChannels == 2 ? float(samples[i * 2 + 1]) : left);
  }
  inputFrames += frames;
  Produce();
}

void Resampler::Finish() {
  if (finished)
    return;
  finished = true;
  if (passThrough)
    return;
  history.insert(history.end(), size_t(taps) * 2, 0.0f); // silence past the end for the last windows
  Produce();
}

// History frame h holds input frame h + historyStart - (taps/2 - 1): with the
// silence in front, the window of an output at input time i + f starts at
// history frame i - historyStart.
void Resampler::Produce() {
  const uint64_t limit = finished ? (inputFrames * outputRate + inputRate - 1) / inputRate : UINT64_MAX;
  const uint64_t historyFrames = history.size() / 2;
  uint64_t nextFirst = 0; // input frame where the next window starts
  while (outputFrames < limit) {
    const uint64_t position = outputFrames * uint64_t(inputRate);
    uint64_t i = position / outputRate;
    int phase = int(((position % outputRate) * uint64_t(phases) + outputRate / 2) / outputRate);
    if (phase == phases) {
      phase = 0;
      ++i;
    }
    nextFirst = i;
    // The window covers history frames i - historyStart .. + taps - 1; until
    // the input has ended each must have arrived.
    if (i - historyStart + taps > historyFrames)
      break;
    const float *row = &weights[size_t(phase) * taps];
    const float *in = &history[(i - historyStart) * 2];
    float left = 0, right = 0;
    for (int j = 0; j < taps; ++j) {
      left += row[j] * in[j * 2];
      right += row[j] * in[j * 2 + 1];
    }
    output.push_back(ToSample(left));
    output.push_back(ToSample(right));
    ++outputFrames;
    nextFirst = (outputFrames * uint64_t(inputRate)) / outputRate;
  }
  // Frames before the next window are done with.
  if (nextFirst > historyStart) {
    const uint64_t drop = std::min<uint64_t>(nextFirst - historyStart, historyFrames);
    history.erase(history.begin(), history.begin() + ptrdiff_t(drop * 2));
    historyStart += drop;
  }
}

size_t Resampler::Take(int16_t *out, size_t maxFrames) {
  const size_t frames = std::min(maxFrames, Ready());
  std::copy_n(output.begin() + ptrdiff_t(outputTaken), frames * 2, out);
  outputTaken += frames * 2;
  if (outputTaken == output.size()) {
    output.clear();
    outputTaken = 0;
  }
  return frames;
}

} // namespace platform::sound
