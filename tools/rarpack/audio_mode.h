// SPDX-License-Identifier: MIT
// The multimedia (audio) mode on the encoder's side: guessing whether input
// is sampled sound and how many byte channels it has, which units try audio
// mode and which LZ, and coding a unit as the predictor's deltas.
#pragma once
#include <cstddef>
#include <cstdint>

#include "rarpack/audio_predictor.h"
#include "rarpack/coded_block.h"
#include "rarpack/encoder.h"

namespace rarpack {

// The number of byte channels sampled sound in `data` seems to have: from a
// WAV header, else from how much the predictor shrinks the order-0 entropy.
// 0 when it does not look like sound.
unsigned GuessAudioChannels(const uint8_t *data, size_t size);

class AudioMode {
public:
  // A fresh stream: the decoder's predictor starts from zero.
  void Reset() { state = AudioState{}; }
  // An entry's choice: kAudioOff, kAudioAuto or 1 to 4 channels.
  void BeginEntry(int choice);
  // With kAudioAuto the channels are guessed from the entry's first bytes.
  bool GuessPending() const { return guessPending; }
  void Guess(const uint8_t *data, size_t size);

  // Which codings the next unit tries. Where audio mode won clearly, LZ is
  // tried again only every few units: parsing sampled sound is slow and
  // seldom pays.
  struct Trial {
    bool lz;
    bool audio;
  };
  Trial NextUnit();
  // Codes data[from, to) into `unit` as deltas, on a copy of the predictor.
  void Code(const uint8_t *data, size_t from, size_t to, Block &unit);
  // Weighs the unit coded both ways (bits with their own tables).
  void Weigh(uint64_t lzCost, uint64_t audioCost);
  // The audio-coded unit is taken: the predictor moves on with it.
  void Keep() { state = trial; }

private:
  AudioState state;          // the decoder's predictor, as of the parse position
  AudioState trial;          // ... as of the end of the unit coded last
  int choice = kAudioOff;    // the entry's choice
  unsigned channels = 0;     // channels to try in audio mode (0: none)
  bool guessPending = false; // the channels are to be guessed
  unsigned lzRest = 0;       // units to code in audio mode before trying LZ again
};

} // namespace rarpack
