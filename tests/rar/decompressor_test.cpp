// SPDX-License-Identifier: MIT
// Proves the RAR 2.0 decompressor on streams written symbol by symbol: every
// kind of match, table changes, entries over 1 MiB across window wraps, solid
// continuation, audio mode with several channels, code-length runs kept
// within their table, and damaged streams that must end (and fail) rather
// than run on or write past their block. Where unar is installed it is the
// control for what a stream means.
#include <cstring>
#include <tuple>

#include <gtest/gtest.h>

#include "rar_internal.h"
#include "rar_test_support.h"

namespace {
// Our module and, when present, unar must both give `expected`.
void ExpectExtractsTo(const std::string &archive, const std::string &name, const Bytes &expected, bool askUnar = true) {
  Extraction e = Extract(archive, name);
  EXPECT_EQ(e.result, 1);
  EXPECT_TRUE(e.data == expected) << "our module: " << e.data.size() << " bytes, expected " << expected.size();
  if (!askUnar)
    return;
  PeerResult peer = ExtractWithUnar(archive, name);
  if (!peer.available)
    return;
  EXPECT_TRUE(peer.ok) << "unar refused " << name;
  EXPECT_TRUE(peer.data == expected) << "unar: " << peer.data.size() << " bytes";
}

// A main table where the literals, the commands and every distance slot are
// coded, with lengths that differ from the flat default.
std::vector<uint8_t> SkewedLengths() {
  std::vector<uint8_t> lengths(374, 0);
  for (int i = 0; i < 298; i++)
    lengths[size_t(i)] = i < 64 ? 8 : i < 256 ? 9 : 10;
  for (int i = 298; i < 346; i++)
    lengths[size_t(i)] = 6;
  for (int i = 346; i < 374; i++)
    lengths[size_t(i)] = 5;
  return lengths;
}

uint32_t Next(uint32_t &x) {
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return x;
}
} // namespace

TEST(Decompressor, EveryKindOfSymbol) {
  ScratchDir dir;
  Rar20Writer w;
  w.Tables();
  w.Literals(BytesOf("abcdefgh"));
  w.Match(5, 8);       // long match
  w.ShortMatch(3);     // length 2
  w.RepeatLast();      // the previous match again
  w.OldDistance(2, 4); // the second newest distance
  w.Literals(BytesOf("0123456789"));
  w.Match(258, 1);     // a run: the copy repeats its own bytes
  w.Match(12, 0x2000); // distance past 0x2000 (longer by one)
  w.OldDistance(1, 7); // newest distance over 0x101 (longer by two)
  w.NewTables(SkewedLengths(), true);
  w.RepeatLast(); // right after a table change: the match before it
  w.Literals(BytesOf("end"));
  ArchiveWriter a;
  a.AddPacked("symbols.bin", w.Finish(), w.output);
  ExpectExtractsTo(a.Save(dir, "s.rar"), "symbols.bin", w.output);
}

TEST(Decompressor, MatchBeforeTheStartReadsZeros) {
  ScratchDir dir;
  Rar20Writer w;
  w.Tables();
  w.Literal('x');
  w.Match(10, 5000);
  w.Literal('y');
  ASSERT_EQ(w.output, BytesOf(std::string("x\0\0\0\0\0\0\0\0\0\0y", 12)));
  ArchiveWriter a;
  a.AddPacked("zeros.bin", w.Finish(), w.output);
  ExpectExtractsTo(a.Save(dir, "z.rar"), "zeros.bin", w.output, false);
}

// Over 1 MiB: the window wraps several times, long distances reach across
// the wrap, and the output comes out whole and in order.
TEST(Decompressor, EntryOverOneMebibyteAcrossWindowWraps) {
  ScratchDir dir;
  Rar20Writer w;
  w.Tables();
  w.Literals(RandomBytes(300000, 11));
  w.Match(200, 300000);
  uint32_t x = 12345;
  while (w.output.size() < 2600000) {
    uint32_t kind = Next(x) % 8;
    uint32_t reach = uint32_t(std::min<size_t>(w.output.size(), 0x100000));
    if (kind == 0) {
      w.Literal(uint8_t(Next(x)));
    } else if (kind == 1) {
      w.OldDistance(int(Next(x) % 4) + 1, 250);
    } else if (kind == 2) {
      w.RepeatLast();
    } else {
      uint32_t distance = kind == 3 ? reach - Next(x) % 64 : 1 + Next(x) % reach;
      w.Match(100 + Next(x) % 156, distance);
    }
  }
  ArchiveWriter a;
  a.AddPacked("big.bin", w.Finish(), w.output);
  ExpectExtractsTo(a.Save(dir, "big.rar"), "big.bin", w.output);
}

// A solid archive: the second entry starts without tables and goes on with
// the first one's window and tables, including a table change written right
// at the end of the first entry.
TEST(Decompressor, SolidContinuation) {
  ScratchDir dir;
  for (bool tableChangeAtEnd : {false, true}) {
    Rar20Writer w;
    w.Tables();
    w.Literals(BytesOf("the first entry of a solid archive, "));
    w.Match(20, 36);
    if (tableChangeAtEnd)
      w.NewTables(SkewedLengths());
    Bytes firstPacked = w.Finish();
    Bytes first = w.EntryOutput();
    w.StartEntry();
    w.Match(30, 56); // reaches back into the first entry
    w.Literals(BytesOf(" and the second"));
    w.OldDistance(1, 9);
    Bytes second = w.EntryOutput();

    ArchiveWriter a(0x08);
    a.AddPacked("one.txt", firstPacked, first);
    a.AddPacked("two.txt", w.Finish(), second, 0x10);
    std::string archive = a.Save(dir, "solid.rar");
    SCOPED_TRACE(tableChangeAtEnd ? "with a table change at the end" : "plain");
    EXPECT_EQ(Extract(archive, "one.txt").data, first);
    EXPECT_EQ(Extract(archive, "two.txt").data, second);
  }
}

// The entries before the requested one are decompressed, but their checksums
// are not compared: only the requested entry's CRC counts.
TEST(Decompressor, SolidEntriesBeforeTheRequestedOneAreNotChecked) {
  ScratchDir dir;
  Rar20Writer w;
  w.Tables();
  w.Literals(BytesOf("first entry"));
  EntryFields one;
  one.name = "one.txt";
  one.packed = w.Finish();
  one.unpackedSize = uint32_t(w.output.size());
  one.fileCrc = 0xBAD;
  one.method = 0x33;
  Bytes first = w.EntryOutput();
  w.StartEntry();
  w.Match(11, 11);
  ArchiveWriter a(0x08);
  a.AddEntry(one);
  a.AddPacked("two.txt", w.Finish(), w.EntryOutput(), 0x10);
  std::string archive = a.Save(dir, "s.rar");
  EXPECT_EQ(Extract(archive, "two.txt").data, first);
  EXPECT_EQ(Extract(archive, "one.txt").result, 0);
}

TEST(AudioMode, ThreeChannelsInTurn) {
  ScratchDir dir;
  Rar20Writer w;
  w.AudioTables(3);
  uint32_t x = 99;
  const int count = 3000;
  for (int i = 0; i < count; i++)
    w.AudioDelta(uint8_t(Next(x) % 7 == 0 ? Next(x) : (i % 3) * 3)); // each channel its own steady step
  Bytes packed = w.Finish();
  Bytes decoded = DecodeStream(packed, count);
  ASSERT_EQ(decoded.size(), size_t(count));
  const DecoderState &d = rar_state.decoder;
  EXPECT_EQ(d.channelCount, 3u);
  EXPECT_EQ(d.channels[0].byteCount, 1000u);
  EXPECT_EQ(d.channels[1].byteCount, 1000u);
  EXPECT_EQ(d.channels[2].byteCount, 1000u);
  EXPECT_EQ(d.channels[3].byteCount, 0u);
  EXPECT_EQ(d.currentChannel, 0u);

  ArchiveWriter a;
  a.AddPacked("audio.raw", packed, decoded);
  std::string archive = a.Save(dir, "a.rar");
  ExpectExtractsTo(archive, "audio.raw", decoded);
}

// Random deltas push the weights around; they never leave -17..16, and each
// channel adapts after its own 32nd, 64th, ... byte.
TEST(AudioMode, WeightsStayWithinTheirRange) {
  for (int channels = 1; channels <= 4; channels++) {
    Rar20Writer w;
    w.AudioTables(channels);
    uint32_t x = 7u + uint32_t(channels);
    const int count = 40000;
    for (int i = 0; i < count; i++)
      w.AudioDelta(uint8_t(Next(x) % 3 == 0 ? 0x80 + Next(x) % 8 : Next(x) % 4));
    DecodeStream(w.Finish(), count);
    for (int k = 0; k < channels; k++) {
      const AudioChannelState &c = rar_state.decoder.channels[k];
      for (int32_t weight : {c.k1, c.k2, c.k3, c.k4, c.k5}) {
        EXPECT_GE(weight, -17) << channels << " channels, channel " << k;
        EXPECT_LE(weight, 16) << channels << " channels, channel " << k;
      }
      EXPECT_EQ(c.byteCount, uint32_t(count / channels + (k < count % channels ? 1 : 0)));
    }
  }
  // Alternating deltas keep choosing the same weight change: K1 is driven to
  // its lower limit by one pair and to its upper limit by another.
  for (auto [a, b, limit] : {std::tuple<int, int, int32_t>{15, 85, -17}, {27, 119, 16}}) {
    Rar20Writer w;
    w.AudioTables(1);
    for (int i = 0; i < 4000; i++)
      w.AudioDelta(uint8_t(i % 2 == 0 ? a : b));
    DecodeStream(w.Finish(), 4000);
    EXPECT_EQ(rar_state.decoder.channels[0].k1, limit) << a << "/" << b;
  }
}

// New audio tables: fewer channels than the current channel number restart
// at channel 0; otherwise the turn goes on. Audio and LZ blocks mix.
TEST(AudioMode, TableChangesKeepOrRestartTheChannelTurn) {
  ScratchDir dir;
  Rar20Writer w;
  w.AudioTables(4);
  for (int i = 0; i < 7; i++)
    w.AudioDelta(uint8_t(i)); // the next byte is channel 3's
  w.AudioNewTables(2);        // 3 is not below 2: back to channel 0
  for (int i = 0; i < 5; i++)
    w.AudioDelta(uint8_t(10 + i)); // the next byte is channel 1's
  w.AudioNewTables(3);             // channel 1 goes on
  w.AudioDelta(20);
  Bytes packed = w.Finish();
  DecodeStream(packed, 13);
  const DecoderState &d = rar_state.decoder;
  EXPECT_EQ(d.channels[0].byteCount, 2u + 3u);
  EXPECT_EQ(d.channels[1].byteCount, 2u + 2u + 1u);
  EXPECT_EQ(d.channels[2].byteCount, 2u);
  EXPECT_EQ(d.channels[3].byteCount, 1u);
  EXPECT_EQ(d.currentChannel, 2u);

  Rar20Writer mixed;
  mixed.Tables();
  mixed.Literals(BytesOf("header of a wave file"));
  mixed.NewAudioTables(2);
  for (int i = 0; i < 500; i++)
    mixed.AudioDelta(uint8_t(i * 7));
  mixed.AudioToLz();
  mixed.Literals(BytesOf("trailer"));
  Bytes mixedPacked = mixed.Finish();
  Bytes decoded = DecodeStream(mixedPacked, 21 + 500 + 7);
  ASSERT_EQ(decoded.size(), 528u);
  EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + 21), BytesOf("header of a wave file"));
  EXPECT_EQ(Bytes(decoded.end() - 7, decoded.end()), BytesOf("trailer"));
  ArchiveWriter a;
  a.AddPacked("mixed.wav", mixedPacked, decoded);
  ExpectExtractsTo(a.Save(dir, "m.rar"), "mixed.wav", decoded);
}

// Code 16 repeats the previous length (2 extra bits 11: six times), code 18
// writes 11 + extra zeros (all ones: 138); a run at the end of a table stops
// at its count and touches nothing after it.
TEST(CodeLengths, RunsStayWithinTheTable) {
  using Code = Rar20Writer::LevelCode;
  Rar20Writer w;
  std::vector<Code> codes;
  codes.push_back({16, 2, 3});   // at the very start: repeats 0, six times
  codes.push_back({9, 0, 0});    // literal 6 gets 9 bits
  codes.push_back({16, 2, 3});   // literals 7..12 too
  codes.push_back({17, 3, 7});   // 10 zeros: 13..22
  codes.push_back({18, 7, 127}); // 138 zeros: 23..160
  size_t i = 161;
  for (; i < 374 - 2; i++)
    codes.push_back({i < 298 ? 9u : i < 346 ? 6u : 5u, 0, 0});
  codes.push_back({18, 7, 127}); // only 2 of its 138 zeros fit
  w.RawTables(false, 1, false, codes);
  w.bits.Put(0, 16);
  DecodeStream(w.Finish(), 0);
  const DecoderState &d = rar_state.decoder;
  for (int k = 0; k < 6; k++)
    EXPECT_EQ(d.previousLengths[k], 0) << k;
  for (int k = 6; k < 13; k++)
    EXPECT_EQ(d.previousLengths[k], 9) << k;
  for (int k = 13; k < 161; k++)
    EXPECT_EQ(d.previousLengths[k], 0) << k;
  EXPECT_EQ(d.previousLengths[371], 5);
  EXPECT_EQ(d.previousLengths[372], 0);
  EXPECT_EQ(d.previousLengths[373], 0);

  // Four audio channels fill all 1028 lengths; a final run must not reach
  // the fields stored after them.
  Rar20Writer a;
  std::vector<Code> audio;
  for (int k = 0; k < 1026; k++)
    audio.push_back({9, 0, 0});
  audio.push_back({16, 2, 3}); // only 2 of its 6 fit
  a.RawTables(true, 4, false, audio);
  a.bits.Put(0, 16);
  rar_state.decoder.oldDistCount = 0;
  memset(rar_state.decoder.oldDist, 0, sizeof rar_state.decoder.oldDist);
  DecodeStream(a.Finish(), 0);
  EXPECT_EQ(rar_state.decoder.previousLengths[1027], 9);
  for (uint32_t v : rar_state.decoder.oldDist)
    EXPECT_EQ(v, 0u);
  EXPECT_EQ(rar_state.decoder.oldDistCount, 0u);
}

// A table with fewer lengths than the one before it (LZ after four audio
// channels) leaves the lengths past its count as they were, or zero after a
// fresh start; a later table coded as differences builds on them, and unar
// reads such a stream the same way.
TEST(CodeLengths, LengthsPastATableKeepTheirValues) {
  ScratchDir dir;
  for (bool keep : {true, false}) {
    Rar20Writer w;
    w.AudioTables(4); // 1028 lengths of 9
    for (int i = 0; i < 40; i++)
      w.AudioDelta(uint8_t(i * 3));
    w.AudioToLz(SkewedLengths(), keep);
    w.Literals(BytesOf("between"));
    Bytes upToLz = w.bits.Finish();
    DecodeStream(upToLz, 47);
    for (int i = 374; i < 1028; i++)
      ASSERT_EQ(rar_state.decoder.previousLengths[i], keep ? 9 : 0) << i;

    w.NewAudioTables(4, {}, true);
    for (int i = 0; i < 400; i++)
      w.AudioDelta(uint8_t(i * 5));
    Bytes packed = w.Finish();
    Bytes decoded = DecodeStream(packed, 447);
    ArchiveWriter a;
    a.AddPacked("kept.raw", packed, decoded);
    ExpectExtractsTo(a.Save(dir, "k.rar"), "kept.raw", decoded);
  }
}

// A code that the table does not assign reads as the table's first symbol,
// after taking 15 bits.
TEST(DecodeTables, UnassignedCodeReadsAsTheFirstSymbol) {
  std::vector<uint8_t> lengths(374, 0);
  lengths['A'] = 1; // code 0
  lengths['B'] = 2; // code 10; 11 is left unassigned
  lengths[298] = 1;
  lengths[346] = 1;
  Rar20Writer w;
  w.Tables(lengths);
  w.bits.Put(0x7FFF, 15);
  w.Literal('B');
  w.Literal('A');
  EXPECT_EQ(DecodeStream(w.Finish(), 3), BytesOf("ABA"));
}

// ---- damaged streams -------------------------------------------------------

TEST(DamagedStreams, OverrunIsCaughtAndFailsTheCall) {
  ScratchDir dir;
  Rar20Writer w;
  w.Tables();
  w.Literal('a');
  w.Match(40, 1); // 41 bytes where the header says 3
  EntryFields e;
  e.name = "over.bin";
  e.packed = w.Finish();
  e.unpackedSize = 3;
  e.fileCrc = Crc32(BytesOf("aaa"));
  e.method = 0x33;
  ArchiveWriter a;
  a.AddEntry(e);
  PrivateLog log;
  Extraction x = Extract(a.Save(dir, "o.rar"), "over.bin");
  EXPECT_EQ(x.result, 0);
  std::vector<std::string> m = log.Messages();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[1], "Fatal! Buffer overrun during decompression!");
  EXPECT_EQ(m[2], "CRC32 error - file couldn't be decompressed correctly!");
}

// Packed data that runs out before the entry is complete ends the decoding
// (it would otherwise go on over stale bytes, or never end where a repeated
// match of length 0 makes no progress) and fails the call.
TEST(DamagedStreams, DataThatRunsOutEndsTheEntry) {
  ScratchDir dir;
  Rar20Writer w;
  w.Tables();
  w.Literals(RandomBytes(20000, 4));
  Bytes packed = w.Finish();
  packed.resize(packed.size() / 2);
  EntryFields cut;
  cut.name = "cut.bin";
  cut.packed = packed;
  cut.unpackedSize = 20000;
  cut.fileCrc = Crc32(w.output);
  cut.method = 0x33;

  Rar20Writer z;
  z.Tables();
  for (int i = 0; i < 50; i++)
    z.RepeatLast(); // last length is 0: no progress
  EntryFields stuck;
  stuck.name = "stuck.bin";
  stuck.packed = z.Finish();
  stuck.unpackedSize = 1000;
  stuck.method = 0x33;

  for (const EntryFields &e : {cut, stuck}) {
    ArchiveWriter a;
    a.AddEntry(e);
    PrivateLog log;
    Extraction x = Extract(a.Save(dir, "d.rar"), e.name);
    EXPECT_EQ(x.result, 0) << e.name;
    EXPECT_EQ(log.Messages().size(), 3u) << e.name;
    EXPECT_EQ(log.Messages()[1], "CRC32 error - file couldn't be decompressed correctly!");
  }
}

// Noise as packed data, in normal and solid archives, with and without a
// password: the call fails cleanly (the sanitizers watch every access).
TEST(DamagedStreams, NoiseNeverEscapesItsBuffers) {
  ScratchDir dir;
  for (uint32_t seed = 1; seed <= 40; seed++) {
    Bytes noise = RandomBytes(200 + seed * 397, seed);
    ArchiveWriter a(seed % 2 == 0 ? 0x08 : 0);
    a.AddPacked("one.bin", noise, RandomBytes(seed * 1000, seed + 1));
    a.AddPacked("two.bin", Bytes(noise.rbegin(), noise.rend()), RandomBytes(seed * 3000, seed + 2),
                seed % 4 == 0 ? 0x10 : 0, seed % 3 == 0 ? "pw" : "");
    std::string archive = a.Save(dir, "n.rar");
    EXPECT_EQ(Extract(archive, "two.bin", "pw").result, 0) << seed;
  }
}

// The one-step look-up for short codes gives, for every possible next 16
// bits and any table (complete, incomplete or over-subscribed), the symbol
// and code length of the plain search over the limits.
TEST(DecodeTables, QuickLookUpAgreesWithTheSearch) {
  uint32_t x = 2024;
  DecoderState &d = rar_state.decoder;
  for (int round = 0; round < 60; round++) {
    uint32_t count = round % 3 == 0 ? 298 : round % 3 == 1 ? 48 : 19;
    std::vector<uint8_t> lengths(count);
    uint32_t maxLength = 1 + Next(x) % 15;
    for (auto &l : lengths)
      l = uint8_t(Next(x) % 4 == 0 ? 0 : 1 + Next(x) % maxLength);
    DecodeTable t;
    build_decode_table(&t, lengths.data(), count);
    for (uint32_t v = 0; v < 0x10000; v++) {
      // The search as the format defines it.
      uint32_t w = v & 0xFFFE;
      uint32_t bits = 15;
      for (uint32_t k = 1; k < 15; k++) {
        if (w < t.limit[k]) {
          bits = k;
          break;
        }
      }
      uint32_t index = t.start[bits] + ((w - t.limit[bits - 1]) >> (16 - bits));
      uint32_t expected = t.symbols[index >= count ? 0 : index];

      d.input[0] = uint8_t(v >> 8);
      d.input[1] = uint8_t(v);
      d.input[2] = 0;
      d.inputPos = 0;
      d.inputBit = 0;
      uint32_t symbol = decode_symbol(&t);
      ASSERT_EQ(symbol, expected) << "round " << round << " v " << v;
      ASSERT_EQ(d.inputPos * 8 + d.inputBit, bits) << "round " << round << " v " << v;
    }
  }
}
