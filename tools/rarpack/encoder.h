// SPDX-License-Identifier: MIT
// The RAR 2.0 compressed-stream encoder: LZ77 over a 1 MiB window with
// canonical Huffman tables, and the multimedia (audio) delta mode. One
// encoder runs through all entries of an archive, so that a solid archive's
// entries continue the decoder state of the ones before.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace rarpack {

// Audio (multimedia) mode choice for an entry.
constexpr int kAudioOff = 0;   // LZ only
constexpr int kAudioAuto = -1; // try it on data that looks like sampled sound, keep it where smaller
// 1 to 4: audio mode throughout with that many interleaved byte channels.

class Rar20Encoder {
public:
  // level 1 (fastest) to 5 (smallest).
  explicit Rar20Encoder(int level);
  ~Rar20Encoder();
  Rar20Encoder(const Rar20Encoder &) = delete;
  Rar20Encoder &operator=(const Rar20Encoder &) = delete;

  // True once an entry was encoded, so that the next one may continue its
  // decoder state (a solid continuation, file-header flag 0x10).
  bool HasState() const;

  // Starts an entry. With `continuation` the decoder keeps its state from the
  // entry before (window, tables, old distances, audio state); otherwise it
  // starts afresh and so does the encoder.
  void BeginEntry(bool continuation, int audio);
  // Feeds the entry's bytes, in as many pieces as convenient.
  void Write(const uint8_t *data, size_t size);
  // Encodes what is left and ends the entry's packed data on a whole byte.
  void FinishEntry();

  // Packed bytes produced so far; the caller may take them and clear the vector.
  std::vector<uint8_t> &Output();

  // What the last entry used, for reports and tests.
  struct EntryStats {
    uint64_t audioBytes = 0; // input bytes coded in audio mode
    unsigned tableReads = 0; // table headers written (the first one included)
  };
  const EntryStats &Stats() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace rarpack
