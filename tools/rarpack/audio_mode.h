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
unsigned guess_audio_channels(const uint8_t *data, size_t size);

class AudioMode {
public:
  // A fresh stream: the decoder's predictor starts from zero.
  void reset() { state_ = AudioState{}; }
  // An entry's choice: kAudioOff, kAudioAuto or 1 to 4 channels.
  void beginEntry(int choice);
  // With kAudioAuto the channels are guessed from the entry's first bytes.
  bool guessPending() const { return guessPending_; }
  void guess(const uint8_t *data, size_t size);

  // Which codings the next unit tries. Where audio mode won clearly, LZ is
  // tried again only every few units: parsing sampled sound is slow and
  // seldom pays.
  struct Trial {
    bool lz;
    bool audio;
  };
  Trial nextUnit();
  // Codes data[from, to) into `unit` as deltas, on a copy of the predictor.
  void code(const uint8_t *data, size_t from, size_t to, Block &unit);
  // Weighs the unit coded both ways (bits with their own tables).
  void weigh(uint64_t lzCost, uint64_t audioCost);
  // The audio-coded unit is taken: the predictor moves on with it.
  void keep() { state_ = trial_; }

private:
  AudioState state_;          // the decoder's predictor, as of the parse position
  AudioState trial_;          // ... as of the end of the unit coded last
  int choice_ = kAudioOff;    // the entry's choice
  unsigned channels_ = 0;     // channels to try in audio mode (0: none)
  bool guessPending_ = false; // the channels are to be guessed
  unsigned lzRest_ = 0;       // units to code in audio mode before trying LZ again
};

} // namespace rarpack
