// SPDX-License-Identifier: MIT
#include "common/frame_pacer.h"

namespace platform {

void FramePacer::SetRate(int framesPerSecond) {
  rate = framesPerSecond > 0 ? framesPerSecond : 0;
  started = false;
}

int64_t FramePacer::Present(int64_t now) {
  if (rate == 0)
    return now;
  if (!started || now < Slot(index)) { // first frame, or a clock that went back
    started = true;
    origin = now;
    index = 0;
    return now;
  }
  const int64_t next = Slot(index + 1);
  if (now <= next) {
    ++index;
    return next;
  }
  const int64_t period = Slot(index + 2) - next;
  if (now - next < period / 2) {
    ++index;
    return now;
  }
  // Late: the slots that passed are skipped, not made up for with a burst.
  index = (now - origin) * rate / 1000000000 + 1;
  return Slot(index);
}

} // namespace platform
