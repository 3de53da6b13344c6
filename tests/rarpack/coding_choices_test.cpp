// SPDX-License-Identifier: MIT
// Proves that the encoder's coding choices follow the data: audio mode where
// it pays and nowhere else (sampled sound packs smaller with it, the automatic
// choice takes it for a WAV file, text and binary never get it), and new
// Huffman tables where the statistics drift but not for uniform data.
#include <gtest/gtest.h>

#include "pack_fixtures.h"
#include "rarpack/encoder.h"

using namespace packtest;

namespace {

struct Packed {
  uint32_t packedSize = 0;
  uint64_t audioBytes = 0;
};

Packed PackOne(const ScratchDir &dir, const std::string &name, int audio) {
  WorkingDirectory cd(dir.Path());
  rarpack::PackOptions o;
  o.audio = audio;
  std::string error;
  std::vector<rarpack::EntryReport> report;
  EXPECT_TRUE(rarpack::PackArchive("out.rar", {name}, o, &error, &report)) << error;
  if (report.size() != 1)
    return {};
  return {report[0].packedSize, report[0].audioBytes};
}

} // namespace

TEST(AudioChoice, WavFileIsCodedInAudioModeAndShrinksMore) {
  ScratchDir dir;
  const Bytes wav = WavBytes(PcmBytes(100000, 2, 2, 1), 2, 2);
  ASSERT_TRUE(WriteFile(dir / "sound.wav", wav));
  Packed automatic = PackOne(dir, "sound.wav", rarpack::kAudioAuto);
  Packed off = PackOne(dir, "sound.wav", rarpack::kAudioOff);
  Packed forced = PackOne(dir, "sound.wav", 4);
  EXPECT_EQ(off.audioBytes, 0u);
  EXPECT_GT(automatic.audioBytes, wav.size() / 2);
  EXPECT_EQ(forced.audioBytes, wav.size());
  EXPECT_LT(automatic.packedSize, off.packedSize * 85 / 100);
  EXPECT_LE(automatic.packedSize, forced.packedSize + forced.packedSize / 50);
}

TEST(AudioChoice, HeaderlessSoundIsRecognised) {
  ScratchDir dir;
  const Bytes pcm = PcmBytes(60000, 1, 2, 2);
  ASSERT_TRUE(WriteFile(dir / "sound.pcm", pcm));
  Packed automatic = PackOne(dir, "sound.pcm", rarpack::kAudioAuto);
  Packed off = PackOne(dir, "sound.pcm", rarpack::kAudioOff);
  EXPECT_GT(automatic.audioBytes, 0u);
  EXPECT_LT(automatic.packedSize, off.packedSize);
}

TEST(AudioChoice, TextAndBinaryStayInLzMode) {
  ScratchDir dir;
  ASSERT_TRUE(WriteFile(dir / "text.txt", TextBytes(200000, 3)));
  ASSERT_TRUE(WriteFile(dir / "code.bin", BinaryBytes(200000, 4)));
  EXPECT_EQ(PackOne(dir, "text.txt", rarpack::kAudioAuto).audioBytes, 0u);
  EXPECT_EQ(PackOne(dir, "code.bin", rarpack::kAudioAuto).audioBytes, 0u);
}

namespace {

unsigned TablesFor(const std::vector<Bytes> &pieces) {
  rarpack::Rar20Encoder encoder(3);
  encoder.BeginEntry(false, rarpack::kAudioOff);
  for (const Bytes &piece : pieces)
    encoder.Write(piece.data(), piece.size());
  encoder.FinishEntry();
  return encoder.Stats().tableReads;
}

} // namespace

TEST(TableChoice, NewTablesWhereTheStatisticsDrift) {
  const unsigned uniform = TablesFor({TextBytes(600000, 5)});
  const unsigned drifting = TablesFor({TextBytes(200000, 6), RandomBytes(200000, 7), BinaryBytes(200000, 8),
                                       RunBytes(200000, 9), TextBytes(200000, 10)});
  EXPECT_LE(uniform, 2u);
  EXPECT_GE(drifting, 4u);
}
