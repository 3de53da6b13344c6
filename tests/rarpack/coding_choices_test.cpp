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

Packed pack_one(const TempDir &dir, const std::string &name, int audio) {
  WorkingDirectory cd(dir.path());
  rarpack::PackOptions o;
  o.audio = audio;
  std::string error;
  std::vector<rarpack::EntryReport> report;
  EXPECT_TRUE(rarpack::pack_archive("out.rar", {name}, o, &error, &report)) << error;
  if (report.size() != 1)
    return {};
  return {report[0].packedSize, report[0].audioBytes};
}

} // namespace

TEST(AudioChoice, WavFileIsCodedInAudioModeAndShrinksMore) {
  TempDir dir;
  const Bytes wav = wav_bytes(pcm_bytes(100000, 2, 2, 1), 2, 2);
  ASSERT_TRUE(write_file(dir / "sound.wav", wav));
  Packed automatic = pack_one(dir, "sound.wav", rarpack::kAudioAuto);
  Packed off = pack_one(dir, "sound.wav", rarpack::kAudioOff);
  Packed forced = pack_one(dir, "sound.wav", 4);
  EXPECT_EQ(off.audioBytes, 0u);
  EXPECT_GT(automatic.audioBytes, wav.size() / 2);
  EXPECT_EQ(forced.audioBytes, wav.size());
  EXPECT_LT(automatic.packedSize, off.packedSize * 85 / 100);
  EXPECT_LE(automatic.packedSize, forced.packedSize + forced.packedSize / 50);
}

TEST(AudioChoice, HeaderlessSoundIsRecognised) {
  TempDir dir;
  const Bytes pcm = pcm_bytes(60000, 1, 2, 2);
  ASSERT_TRUE(write_file(dir / "sound.pcm", pcm));
  Packed automatic = pack_one(dir, "sound.pcm", rarpack::kAudioAuto);
  Packed off = pack_one(dir, "sound.pcm", rarpack::kAudioOff);
  EXPECT_GT(automatic.audioBytes, 0u);
  EXPECT_LT(automatic.packedSize, off.packedSize);
}

TEST(AudioChoice, TextAndBinaryStayInLzMode) {
  TempDir dir;
  ASSERT_TRUE(write_file(dir / "text.txt", text_bytes(200000, 3)));
  ASSERT_TRUE(write_file(dir / "code.bin", binary_bytes(200000, 4)));
  EXPECT_EQ(pack_one(dir, "text.txt", rarpack::kAudioAuto).audioBytes, 0u);
  EXPECT_EQ(pack_one(dir, "code.bin", rarpack::kAudioAuto).audioBytes, 0u);
}

namespace {

unsigned tables_for(const std::vector<Bytes> &pieces) {
  rarpack::Rar20Encoder encoder(3);
  encoder.beginEntry(false, rarpack::kAudioOff);
  for (const Bytes &piece : pieces)
    encoder.write(piece.data(), piece.size());
  encoder.finishEntry();
  return encoder.entryStats().tableReads;
}

} // namespace

TEST(TableChoice, NewTablesWhereTheStatisticsDrift) {
  const unsigned uniform = tables_for({text_bytes(600000, 5)});
  const unsigned drifting = tables_for({text_bytes(200000, 6), random_bytes(200000, 7), binary_bytes(200000, 8),
                                        run_bytes(200000, 9), text_bytes(200000, 10)});
  EXPECT_LE(uniform, 2u);
  EXPECT_GE(drifting, 4u);
}
