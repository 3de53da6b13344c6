// SPDX-License-Identifier: MIT
// The show's sound mixed offline, as the capture mixes it: the music player
// plays zarvox.mp3 out of the data file and each pull mixes the next block,
// until the stream has ended and one more block. Built for both machines, so
// that the arm64 build's decoding, resampling and mixing can be compared
// with the amd64 build's sample for sample: given the other's mix, it wants
// the same length and no sample more than 1 apart (libmpg123's builds for
// the two architectures round a few samples of its synthesis apart), and
// says how many differ.
// Usage: sound_mix DATA_FILE OUT [REFERENCE] (16-bit stereo frames at 44.1 kHz, raw)
#include "archive/data_archive.h"
#include "platform/fsound.h"
#include "platform/tap.h"
#include "sound/music_player.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The mix against another's: 0 when of one length and at most 1 apart.
int Compare(const std::vector<int16_t> &mix, const char *path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in || bytes.size() != mix.size() * sizeof mix[0]) {
    std::fprintf(stderr, "sound_mix: %s holds %zu bytes, the mix %zu\n", path, bytes.size(), mix.size() * 2);
    return 1;
  }
  size_t differing = 0;
  int largest = 0;
  for (size_t i = 0; i < mix.size(); ++i) {
    const int other = int16_t(uint16_t(uint8_t(bytes[i * 2])) | uint16_t(uint8_t(bytes[i * 2 + 1]) << 8));
    const int difference = std::abs(other - mix[i]);
    differing += difference != 0;
    largest = std::max(largest, difference);
  }
  std::printf("%zu of %zu samples differ from %s, by at most %d\n", differing, mix.size(), path, largest);
  return largest <= 1 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: sound_mix DATA_FILE OUT [REFERENCE]\n");
    return 2;
  }
  std::FILE *out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  const int blockFrames = 4096, maxBlocks = 44100 * 200 / blockFrames; // past the show's 128 s
  std::vector<int16_t> block(size_t(blockFrames) * 2), mix;
  int blocks = 0;
  bool written = true;
  PlatformSetSoundPull(true);
  {
    DataArchive archive(argv[1]);
    MusicPlayer player(SoundSetup{0, FSOUND_OUTPUT_DSOUND, 44100}, &archive);
    if (!player.Open("zarvox.mp3") || !player.Play()) {
      std::fprintf(stderr, "sound_mix: no soundtrack from %s\n", argv[1]);
      return 1;
    }
    bool ended = false;
    while (written && !ended && blocks < maxBlocks) {
      ended = PlatformGetSoundCounts().streamsEnded > 0;
      PlatformSoundPull(block.data(), blockFrames);
      written = std::fwrite(block.data(), sizeof block[0], block.size(), out) == block.size();
      mix.insert(mix.end(), block.begin(), block.end());
      ++blocks;
    }
  }
  PlatformSetSoundPull(false);
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[2]);
    return 1;
  }
  std::printf("%d blocks of %d frames mixed\n", blocks, blockFrames);
  if (blocks >= maxBlocks)
    return 1;
  return argc == 4 ? Compare(mix, argv[3]) : 0;
}
