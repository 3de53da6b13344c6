// SPDX-License-Identifier: MIT
// Test-side helpers for the RAR module: temporary folders, a private debug log,
// and writers that build archives and RAR 2.0 bit streams byte by byte.
#pragma once
#include "scratch_dir.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string &path);
void WriteFile(const std::string &path, const Bytes &bytes);
Bytes BytesOf(const std::string &text);
uint32_t Crc32(const Bytes &bytes);
// Deterministic pseudo-random bytes (xorshift), the same on every run.
Bytes RandomBytes(size_t count, uint32_t seed);

// The outcome of one rar_extract_to_memory call, with its block copied out
// and freed.
struct Extraction {
  int result = -1;
  bool blockNull = false;
  uint32_t size = 0xDEADBEEF;
  Bytes data;
};
Extraction Extract(const std::string &archive, const std::string &name, const char *password = nullptr);

// Points the module's debug log into a folder of its own and re-arms it, so
// the next extraction opens it afresh with its banner.
class PrivateLog {
public:
  PrivateLog();
  ~PrivateLog();
  std::string Text() const;
  // The message lines ("- " entries) in order, without their indentation.
  std::vector<std::string> Messages() const;
  std::string path;

private:
  ScratchDir dir_;
};

// ---- archives -------------------------------------------------------------
struct EntryFields {
  std::string name;
  Bytes packed; // the entry's data as it stands in the archive (before encryption)
  uint32_t unpackedSize = 0;
  uint32_t fileCrc = 0;
  uint8_t version = 20;
  uint8_t method = 0x30;
  uint16_t flags = 0x8000;
  Bytes extra;          // header bytes after the name (a file comment, say)
  std::string password; // enciphers `packed` with the RAR 2.0 cipher, padded to 16 bytes
  bool breakHeaderCrc = false;
  int64_t packedSizeField = -1; // the packed-size field when it should lie
};

class ArchiveWriter {
public:
  explicit ArchiveWriter(uint16_t mainFlags = 0, const std::string &marker = std::string("Rar!\x1A\x07\x00", 7));
  // A stored entry of the given content.
  void AddStored(const std::string &name, const Bytes &content, const std::string &password = "");
  // A compressed entry: its packed stream and what it must unpack to.
  void AddPacked(const std::string &name, const Bytes &packed, const Bytes &content, uint16_t extraFlags = 0,
                 const std::string &password = "");
  void AddEntry(const EntryFields &entry);
  // Any other block: 7-byte base, optional data size and data.
  void AddBlock(uint8_t type, uint16_t flags, const Bytes &data = {});
  void AddEnd();
  std::string Save(const ScratchDir &dir, const std::string &name) const;
  Bytes bytes;
};

// ---- RAR 2.0 streams --------------------------------------------------------
class BitWriter {
public:
  void Put(uint32_t value, int bits); // most significant bit first
  Bytes Finish();                     // pads the last byte with zeros
  size_t BitCount() const { return bits_; }

private:
  Bytes bytes_;
  size_t bits_ = 0;
};

// Canonical codes for a list of code lengths, as the decoder assigns them.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t> &lengths);

// Writes RAR 2.0 compressed data symbol by symbol, and keeps the output a
// decoder must produce for the LZ symbols (audio output is not modelled).
class Rar20Writer {
public:
  Rar20Writer();
  // Tables for LZ mode: 298 + 48 + 28 lengths. Empty means a flat default
  // (9 bits per main symbol, 6 per distance, 5 per repeat length).
  void Tables(std::vector<uint8_t> lengths = {}, bool keepPrevious = false);
  // Tables for audio mode with 1 to 4 channels, 257 lengths each (default 9 bits).
  void AudioTables(int channels, std::vector<uint8_t> lengths = {}, bool keepPrevious = false);
  // Writes a table header and raw code-length symbols as given: (symbol, extra bits, extra value).
  struct LevelCode {
    uint32_t symbol;
    int extraBits;
    uint32_t extra;
  };
  void RawTables(bool audio, int channels, bool keepPrevious, const std::vector<LevelCode> &codes);

  void Literal(uint8_t byte);
  void Literals(const Bytes &bytes);
  void Match(uint32_t length, uint32_t distance);                               // symbols 270..297
  void RepeatLast();                                                            // symbol 256
  void OldDistance(int which, uint32_t length);                                 // symbols 257..260, which = 1..4
  void ShortMatch(uint32_t distance);                                           // symbols 261..268, length 2
  void NewTables(std::vector<uint8_t> lengths = {}, bool keepPrevious = false); // 269 and tables
  void NewAudioTables(int channels, std::vector<uint8_t> lengths = {}, bool keepPrevious = false);
  void AudioDelta(uint8_t delta);
  void AudioNewTables(int channels, std::vector<uint8_t> lengths = {}, bool keepPrevious = false); // 256 and tables
  void AudioToLz(std::vector<uint8_t> lengths = {}, bool keepPrevious = false);                    // 256 and LZ tables

  Bytes Finish() { return bits.Finish(); }
  // The LZ output so far, across entries of a solid run (bytes before the
  // first read as zero). Call StartEntry between entries.
  Bytes output;
  size_t entryStart = 0;
  void StartEntry() {
    entryStart = output.size();
    bits = BitWriter();
  }
  Bytes EntryOutput() const { return Bytes(output.begin() + long(entryStart), output.end()); }
  BitWriter bits;

private:
  void PutSymbol(const std::vector<uint32_t> &codes, const std::vector<uint8_t> &lengths, uint32_t symbol);
  void WriteTables(bool audio, int channels, const std::vector<uint8_t> &lengths, bool keepPrevious);
  void CopyMatch(uint32_t length, uint32_t distance);

  std::vector<uint8_t> mainLengths_, distLengths_, repeatLengths_, levelLengths_;
  std::vector<uint32_t> mainCodes_, distCodes_, repeatCodes_, levelCodes_;
  std::vector<std::vector<uint8_t>> audioLengths_;
  std::vector<std::vector<uint32_t>> audioCodes_;
  int channels_ = 1;
  int channel_ = 0;
  uint8_t previous_[1028] = {};
  uint32_t oldDist_[4] = {};
  uint32_t oldCount_ = 0;
  uint32_t lastDist_ = 0, lastLength_ = 0;
};

// Runs the decompressor on a bare stream (no archive, no CRC check) and
// returns what it produced; the module's decoder state stays for inspection.
Bytes DecodeStream(const Bytes &packed, uint32_t unpackedSize, bool solidContinuation = false);

// unar (Debian's extractor) as the control: the named entry's bytes, or
// nothing with `ok` false when unar is absent or refuses.
struct PeerResult {
  bool available = false;
  bool ok = false;
  Bytes data;
};
PeerResult ExtractWithUnar(const std::string &archive, const std::string &name, const std::string &password = "");

// The corpus of real archives, or "" when it is not there.
std::string CorpusDir();
