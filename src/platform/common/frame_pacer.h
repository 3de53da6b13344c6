// SPDX-License-Identifier: MIT
// When SwapBuffers presents a frame: on a fixed grid of slots at the rate the
// show was made for, so that animation that advances once per frame runs at
// its authored speed whatever the display or driver does.
#pragma once
#include <cstdint>

namespace platform {

class FramePacer {
public:
  explicit FramePacer(int framesPerSecond = 0) { SetRate(framesPerSecond); }
  // Frames per second; 0 paces nothing. Starts a new grid.
  void SetRate(int framesPerSecond);
  int Rate() const { return rate; }
  // The time (ns, same clock as `now`) at which a frame finished at `now` is
  // presented. The first frame goes at once and sets the grid's origin; each
  // later one takes the next slot. A frame late by less than half a slot goes
  // at once and keeps its slot; one later than that skips to the first slot
  // after `now`. Slots are computed from the origin, so nothing drifts.
  int64_t Present(int64_t now);

private:
  int64_t Slot(int64_t index) const { return origin + index * 1000000000 / rate; }

  int rate = 0;
  bool started = false;
  int64_t origin = 0; // slot 0
  int64_t index = 0;  // the slot of the last frame presented
};

} // namespace platform
