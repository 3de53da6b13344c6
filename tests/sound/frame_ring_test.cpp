// SPDX-License-Identifier: MIT
// Proves that the queue between decoder and mixer loses, repeats or reorders
// no frame, across its wrap-around and with each side on its own thread.
#include "common/sound/frame_ring.h"

#include <gtest/gtest.h>

#include <thread>

using platform::sound::FrameRing;

TEST(FrameRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit) {
  FrameRing ring(6); // rounded up to 8 frames
  ASSERT_EQ(ring.Capacity(), 8u);
  int16_t in[2 * 20], out[2 * 20];
  for (int i = 0; i < 40; ++i)
    in[i] = int16_t(i);
  ASSERT_EQ(ring.Write(in, 5), 5u);
  ASSERT_EQ(ring.Read(out, 3), 3u);
  // Six more only partly fit; what fits goes in after the first five, wrapping.
  EXPECT_EQ(ring.Write(in + 10, 10), 6u);
  EXPECT_EQ(ring.Writable(), 0u);
  EXPECT_EQ(ring.Readable(), 8u);
  ASSERT_EQ(ring.Read(out + 6, 20), 8u);
  const int16_t expected[] = {6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(out[6 + i], expected[i]) << "sample " << i;
  EXPECT_EQ(ring.Read(out, 1), 0u);
}

TEST(FrameRing, ConcurrentWriterAndReaderSeeEveryFrameOnce) {
  FrameRing ring(256);
  constexpr int kFrames = 200000;
  std::thread writer([&] {
    int16_t chunk[2 * 37];
    for (int next = 0; next < kFrames;) {
      const int count = std::min(37, kFrames - next);
      for (int i = 0; i < count; ++i) {
        chunk[i * 2] = int16_t(next + i);
        chunk[i * 2 + 1] = int16_t(~(next + i));
      }
      const size_t written = ring.Write(chunk, size_t(count));
      // Rewrite what did not fit next time round, from the first unsent frame.
      next += int(written);
      if (written == 0)
        std::this_thread::yield();
    }
  });
  int16_t chunk[2 * 53];
  int expected = 0;
  bool inOrder = true;
  while (expected < kFrames) {
    const size_t got = ring.Read(chunk, 53);
    for (size_t i = 0; i < got; ++i, ++expected)
      inOrder = inOrder && chunk[i * 2] == int16_t(expected) && chunk[i * 2 + 1] == int16_t(~expected);
    if (got == 0)
      std::this_thread::yield();
  }
  writer.join();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(ring.Readable(), 0u);
}
