// SPDX-License-Identifier: MIT
// The queue between a stream's decoder thread (the one writer) and the mixer
// (the one reader, on the device's thread): 16-bit stereo frames in a fixed
// ring. Neither side locks, waits or allocates after construction.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform::sound {

class FrameRing {
public:
  // The capacity is rounded up to a power of two frames.
  explicit FrameRing(size_t minimumFrames) {
    size_t capacity = 1;
    while (capacity < minimumFrames)
      capacity <<= 1;
    samples.assign(capacity * 2, 0);
    mask = capacity - 1;
  }

  size_t Capacity() const { return mask + 1; }
  // Reader side: frames waiting.
  size_t Readable() const {
    return writeCount.load(std::memory_order_acquire) - readCount.load(std::memory_order_relaxed);
  }
  // Writer side: room left.
  size_t Writable() const {
    return Capacity() - (writeCount.load(std::memory_order_relaxed) - readCount.load(std::memory_order_acquire));
  }

  // Writer only. Copies as many of `count` frames as fit; returns how many.
  size_t Write(const int16_t *frames, size_t count) {
    const size_t written = writeCount.load(std::memory_order_relaxed);
    count = std::min(count, Writable());
    const size_t start = written & mask;
    const size_t first = std::min(count, Capacity() - start); // the rest wraps to slot 0
    std::memcpy(&samples[start * 2], frames, first * kFrameBytes);
    std::memcpy(&samples[0], frames + first * 2, (count - first) * kFrameBytes);
    writeCount.store(written + count, std::memory_order_release);
    return count;
  }

  // Reader only. Takes up to `count` frames; returns how many.
  size_t Read(int16_t *frames, size_t count) {
    const size_t read = readCount.load(std::memory_order_relaxed);
    count = std::min(count, Readable());
    const size_t start = read & mask;
    const size_t first = std::min(count, Capacity() - start);
    std::memcpy(frames, &samples[start * 2], first * kFrameBytes);
    std::memcpy(frames + first * 2, &samples[0], (count - first) * kFrameBytes);
    readCount.store(read + count, std::memory_order_release);
    return count;
  }

private:
  static constexpr size_t kFrameBytes = 2 * sizeof(int16_t);

  std::vector<int16_t> samples;      // Capacity() frames, left and right interleaved
  size_t mask = 0;                   // Capacity() - 1: frame number to ring slot
  std::atomic<size_t> writeCount{0}; // frames ever written; stored only by the writer
  std::atomic<size_t> readCount{0};  // frames ever read; stored only by the reader
};

} // namespace platform::sound
