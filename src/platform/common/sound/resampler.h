// SPDX-License-Identifier: MIT
// Turns decoded PCM (mono or stereo, at the track's rate) into 16-bit stereo at
// the mixing rate with a windowed-sinc filter. Runs on a stream's decoder
// thread; equal rates pass the samples through unchanged.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::sound {

class Resampler {
public:
  Resampler(int inputRate, int inputChannels, int outputRate);

  // Appends `frames` input frames of `inputChannels` interleaved samples.
  void Put(const int16_t *samples, size_t frames);
  // The input has ended: what is left is produced, reading silence past the
  // end, so that the output holds ceil(input frames * out / in) frames.
  void Finish();
  // Moves up to `maxFrames` finished stereo frames into `out`; returns how many.
  size_t Take(int16_t *out, size_t maxFrames);
  size_t Ready() const { return (output.size() - outputTaken) / 2; }

  int InputRate() const { return inputRate; }
  int InputChannels() const { return inputChannels; }

private:
  void Produce();

  int inputRate;     // Hz of the decoded track
  int inputChannels; // 1 or 2
  int outputRate;    // Hz of the mixer
  bool passThrough;  // equal rates: no filtering at all
  bool finished = false;

  // The filter: `phases` rows of `taps` weights. Output frame k sits at input
  // time k * inputRate / outputRate = i + f; row round(f * phases) weighs input
  // frames i - taps/2 + 1 .. i + taps/2.
  int taps = 0;
  int phases = 0;
  std::vector<float> weights;

  std::vector<float> history;  // input frames not yet behind the filter, left/right interleaved
  uint64_t historyStart = 0;   // history[0] is input frame historyStart - (taps/2 - 1)
  uint64_t inputFrames = 0;    // input frames received so far
  uint64_t outputFrames = 0;   // output frames produced so far (k of the next one)
  std::vector<int16_t> output; // produced stereo samples not yet taken
  size_t outputTaken = 0;      // samples of `output` already taken
};

} // namespace platform::sound
