// SPDX-License-Identifier: MIT
// Pins the encoder's output: the packed bytes of fixed inputs at every level,
// with and without audio mode and as separate or solid entries, by CRC-32.
// Reorganising the encoder must leave every value alone. A change meant to
// alter the coding records new values here; the round-trip tests judge it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "pack_fixtures.h"
#include "rar/rar_crc32.h"
#include "rarpack/encoder.h"

using namespace packtest;

namespace {

// CRC-32 of the packed data of text, machine code, incompressible bytes and
// 16-bit stereo sound, fed in uneven pieces as a file is read.
uint32_t PackedCrc(int level, int audio, bool solid) {
  static const std::vector<Bytes> inputs = {TextBytes(120000, 41), BinaryBytes(80000, 42), RandomBytes(40000, 43),
                                            WavBytes(PcmBytes(30000, 2, 2, 44), 2, 2)};
  rarpack::Rar20Encoder encoder(level);
  uint32_t crc = 0xFFFFFFFF;
  for (const Bytes &in : inputs) {
    encoder.BeginEntry(solid, audio);
    for (size_t at = 0; at < in.size(); at += 50001)
      encoder.Write(in.data() + at, std::min<size_t>(50001, in.size() - at));
    encoder.FinishEntry();
    crc = crc32_update(crc, encoder.Output().data(), encoder.Output().size());
    encoder.Output().clear();
  }
  return ~crc;
}

struct Mode {
  int audio;
  bool solid;
};
// Forced audio mode parses nothing, so its column is alike at every level.
const Mode kModes[] = {
    {rarpack::kAudioAuto, false}, {rarpack::kAudioOff, true}, {rarpack::kAudioAuto, true}, {2, true}};

// Recorded from the encoder as it stood; one row per level 1 to 5, one column per mode.
const uint32_t kExpected[5][4] = {
    {0xEF3DD26D, 0xFCD1CAAB, 0xC2705135, 0xA192E37C}, // level 1
    {0xE71A5CD6, 0x087450C3, 0xB9D71C4D, 0xA192E37C}, // level 2
    {0x8C2A6DD7, 0xEC79BDD8, 0xCFEEA226, 0xA192E37C}, // level 3
    {0x1D3777A7, 0x41433A9A, 0xDD4A984C, 0xA192E37C}, // level 4
    {0x39F24E75, 0x687F56F3, 0xDD11E35A, 0xA192E37C}, // level 5
};

} // namespace

TEST(SameOutput, PackedBytesMatchTheRecordedOnes) {
  crc32_init_table();
  for (int level = 1; level <= 5; level++) {
    for (size_t m = 0; m < std::size(kModes); m++) {
      const uint32_t crc = PackedCrc(level, kModes[m].audio, kModes[m].solid);
      EXPECT_EQ(crc, kExpected[level - 1][m]) << "level " << level << ", audio " << kModes[m].audio
                                              << (kModes[m].solid ? ", solid" : "") << ": 0x" << std::hex << crc;
    }
  }
}
