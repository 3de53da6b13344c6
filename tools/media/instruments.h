// SPDX-License-Identifier: MIT
// The soundtrack's instruments: one voice per note, each rendering itself
// block by block until its sound has died away.
#pragma once
#include "score.h"

#include <cstdint>
#include <memory>

namespace media {

class Voice {
public:
  virtual ~Voice() = default;
  // Adds the next `frames` samples of the note into `left` and `right`.
  // Returns false once the note is silent for good (it then adds nothing more).
  virtual bool Render(float *left, float *right, int frames) = 0;
};

// A voice that plays `note` on `part`; `seed` picks its noise and starting
// phases, so that equal notes do not sound mechanically identical.
std::unique_ptr<Voice> MakeVoice(Part part, const Note &note, uint32_t seed);

} // namespace media
