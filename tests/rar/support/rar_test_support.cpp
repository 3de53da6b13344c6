// SPDX-License-Identifier: MIT
// Test-side helpers for the RAR module (see rar_test_support.h).
#include "rar_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "rar_internal.h"

Bytes ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes BytesOf(const std::string &text) {
  return Bytes(text.begin(), text.end());
}

uint32_t Crc32(const Bytes &bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; i++)
      crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

Bytes RandomBytes(size_t count, uint32_t seed) {
  Bytes out(count);
  uint32_t x = seed != 0 ? seed : 1;
  for (auto &b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x >> 24);
  }
  return out;
}

Extraction Extract(const std::string &archive, const std::string &name, const char *password) {
  Extraction e;
  unsigned char *block = reinterpret_cast<unsigned char *>(&e); // anything but NULL
  e.result = rar_extract_to_memory(&block, &e.size, name.c_str(), archive.c_str(), password);
  e.blockNull = block == nullptr;
  if (block != nullptr) {
    e.data.assign(block, block + e.size);
    free(block);
  }
  return e;
}

PrivateLog::PrivateLog() {
  debug_log_set_directory(dir_.Path().c_str());
  path = dir_.File("debug_unrar.txt");
}

PrivateLog::~PrivateLog() {
  debug_log_set_directory(nullptr);
}

std::string PrivateLog::Text() const {
  Bytes b = ReadFile(path);
  return std::string(b.begin(), b.end());
}

std::vector<std::string> PrivateLog::Messages() const {
  std::vector<std::string> out;
  std::string text = Text();
  const std::string prefix = "              - ";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(at, end - at);
    if (line.compare(0, prefix.size(), prefix) == 0)
      out.push_back(line.substr(prefix.size()));
    at = end + 1;
  }
  return out;
}

// ---- archives ---------------------------------------------------------------
namespace {
void Put16(Bytes &b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes &b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
uint32_t HeaderCrc(const Bytes &header, size_t from, size_t to) {
  return Crc32(Bytes(header.begin() + long(from), header.begin() + long(to))) & 0xFFFF;
}
} // namespace

ArchiveWriter::ArchiveWriter(uint16_t mainFlags, const std::string &marker) {
  bytes.assign(marker.begin(), marker.end());
  Bytes main;
  Put16(main, 0);
  main.push_back(0x73);
  Put16(main, mainFlags);
  Put16(main, 13);
  Put16(main, 0);
  Put32(main, 0);
  uint32_t crc = HeaderCrc(main, 2, main.size());
  main[0] = uint8_t(crc);
  main[1] = uint8_t(crc >> 8);
  bytes.insert(bytes.end(), main.begin(), main.end());
}

void ArchiveWriter::AddStored(const std::string &name, const Bytes &content, const std::string &password) {
  EntryFields e;
  e.name = name;
  e.packed = content;
  e.unpackedSize = uint32_t(content.size());
  e.fileCrc = Crc32(content);
  e.password = password;
  if (!password.empty())
    e.flags |= 0x04;
  AddEntry(e);
}

void ArchiveWriter::AddPacked(const std::string &name, const Bytes &packed, const Bytes &content, uint16_t extraFlags,
                              const std::string &password) {
  EntryFields e;
  e.name = name;
  e.packed = packed;
  e.unpackedSize = uint32_t(content.size());
  e.fileCrc = Crc32(content);
  e.method = 0x33;
  e.flags |= extraFlags;
  e.password = password;
  if (!password.empty())
    e.flags |= 0x04;
  AddEntry(e);
}

void ArchiveWriter::AddEntry(const EntryFields &entry) {
  Bytes data = entry.packed;
  if (!entry.password.empty()) {
    data.resize((data.size() + 15) / 16 * 16, 0);
    crc32_init_table();
    crypt_set_key(entry.password.c_str());
    for (size_t i = 0; i < data.size(); i += 16)
      crypt_encrypt_block(data.data() + i);
  }
  Bytes h;
  Put16(h, 0);
  h.push_back(0x74);
  Put16(h, entry.flags);
  Put16(h, uint32_t(32 + entry.name.size() + entry.extra.size()));
  Put32(h, entry.packedSizeField >= 0 ? uint32_t(entry.packedSizeField) : uint32_t(data.size()));
  Put32(h, entry.unpackedSize);
  h.push_back(3); // Unix
  Put32(h, entry.fileCrc);
  Put32(h, 0x5A210000); // some DOS time
  h.push_back(entry.version);
  h.push_back(entry.method);
  Put16(h, uint32_t(entry.name.size()));
  Put32(h, 0x81A4);
  h.insert(h.end(), entry.name.begin(), entry.name.end());
  // As real archives do, the header CRC covers the header up to the end of
  // the name, not the extra fields after it.
  uint32_t crc = HeaderCrc(h, 2, h.size()) ^ (entry.breakHeaderCrc ? 0x5555 : 0);
  h[0] = uint8_t(crc);
  h[1] = uint8_t(crc >> 8);
  h.insert(h.end(), entry.extra.begin(), entry.extra.end());
  bytes.insert(bytes.end(), h.begin(), h.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
}

void ArchiveWriter::AddBlock(uint8_t type, uint16_t flags, const Bytes &data) {
  Bytes h;
  Put16(h, 0);
  h.push_back(type);
  bool hasData = !data.empty() || (flags & 0x8000) != 0;
  Put16(h, flags | (hasData ? 0x8000 : 0));
  Put16(h, hasData ? 11 : 7);
  if (hasData)
    Put32(h, uint32_t(data.size()));
  uint32_t crc = HeaderCrc(h, 2, h.size());
  h[0] = uint8_t(crc);
  h[1] = uint8_t(crc >> 8);
  bytes.insert(bytes.end(), h.begin(), h.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
}

void ArchiveWriter::AddEnd() {
  AddBlock(0x7B, 0x4000);
}

std::string ArchiveWriter::Save(const ScratchDir &dir, const std::string &name) const {
  std::string path = dir.File(name);
  WriteFile(path, bytes);
  return path;
}

// ---- bit streams --------------------------------------------------------------
void BitWriter::Put(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; i--) {
    if (bits_ % 8 == 0)
      bytes_.push_back(0);
    if (((value >> i) & 1) != 0)
      bytes_.back() |= uint8_t(0x80 >> (bits_ % 8));
    bits_++;
  }
}

Bytes BitWriter::Finish() {
  return bytes_;
}

std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t> &lengths) {
  uint32_t count[16] = {};
  for (uint8_t l : lengths)
    count[l & 15]++;
  count[0] = 0;
  uint32_t next[16] = {};
  uint32_t code = 0;
  for (int k = 1; k < 16; k++) {
    code = (code + count[k - 1]) << 1;
    next[k] = code;
  }
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (size_t i = 0; i < lengths.size(); i++)
    if (lengths[i] != 0)
      codes[i] = next[lengths[i]]++;
  return codes;
}

namespace {
// Length slots come from the format's shared table; distance slots are
// worked out here from their rule, apart from the decoder's table.
uint32_t DistBase(int slot) {
  uint32_t base = 0;
  for (int i = 0; i < slot; i++)
    base += 1u << (i < 4 ? 0 : i >= 34 ? 16 : (i - 2) / 2);
  return base;
}
int DistBits(int slot) {
  return slot < 4 ? 0 : slot >= 34 ? 16 : (slot - 2) / 2;
}
const uint32_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
const int kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

int LengthSlot(uint32_t raw) {
  for (int n = 27; n >= 0; n--)
    if (raw >= kLengthBase[n])
      return (raw - kLengthBase[n]) < (1u << kLengthBits[n]) ? n : -1;
  return -1;
}
} // namespace

Rar20Writer::Rar20Writer() {
  levelLengths_.assign(19, 5);
  levelCodes_ = CanonicalCodes(levelLengths_);
}

void Rar20Writer::PutSymbol(const std::vector<uint32_t> &codes, const std::vector<uint8_t> &lengths, uint32_t symbol) {
  if (symbol >= lengths.size() || lengths[symbol] == 0)
    throw std::logic_error("symbol without a code");
  bits.Put(codes[symbol], lengths[symbol]);
}

void Rar20Writer::WriteTables(bool audio, int channels, const std::vector<uint8_t> &lengths, bool keepPrevious) {
  std::vector<LevelCode> codes;
  for (size_t i = 0; i < lengths.size(); i++) {
    uint8_t previous = keepPrevious ? previous_[i] : 0;
    codes.push_back({uint32_t((lengths[i] - previous) & 15), 0, 0});
  }
  RawTables(audio, channels, keepPrevious, codes);
  if (audio) {
    audioLengths_.assign(size_t(channels), {});
    audioCodes_.assign(size_t(channels), {});
    for (int k = 0; k < channels; k++) {
      audioLengths_[size_t(k)].assign(lengths.begin() + k * 257, lengths.begin() + (k + 1) * 257);
      audioCodes_[size_t(k)] = CanonicalCodes(audioLengths_[size_t(k)]);
    }
    channels_ = channels;
    if (channel_ >= channels_)
      channel_ = 0;
  } else {
    mainLengths_.assign(lengths.begin(), lengths.begin() + 298);
    distLengths_.assign(lengths.begin() + 298, lengths.begin() + 346);
    repeatLengths_.assign(lengths.begin() + 346, lengths.begin() + 374);
    mainCodes_ = CanonicalCodes(mainLengths_);
    distCodes_ = CanonicalCodes(distLengths_);
    repeatCodes_ = CanonicalCodes(repeatLengths_);
  }
}

void Rar20Writer::RawTables(bool audio, int channels, bool keepPrevious, const std::vector<LevelCode> &codes) {
  bits.Put(audio ? 1 : 0, 1);
  bits.Put(keepPrevious ? 1 : 0, 1);
  if (!keepPrevious)
    memset(previous_, 0, sizeof previous_);
  if (audio)
    bits.Put(uint32_t(channels - 1), 2);
  for (int i = 0; i < 19; i++)
    bits.Put(levelLengths_[size_t(i)], 4);
  const size_t count = audio ? 257 * size_t(channels) : 374;
  size_t i = 0;
  for (const LevelCode &c : codes) {
    PutSymbol(levelCodes_, levelLengths_, c.symbol);
    if (c.extraBits > 0)
      bits.Put(c.extra, c.extraBits);
    // Mirror what the decoder will hold as previous lengths.
    if (c.symbol < 16) {
      previous_[i] = uint8_t((c.symbol + previous_[i]) & 15);
      i++;
    } else if (c.symbol == 16) {
      uint8_t repeated = i > 0 ? previous_[i - 1] : 0;
      for (uint32_t n = c.extra + 3; n > 0 && i < count; n--, i++)
        previous_[i] = repeated;
    } else {
      for (uint32_t n = c.symbol == 17 ? c.extra + 3 : c.extra + 11; n > 0 && i < count; n--, i++)
        previous_[i] = 0;
    }
  }
}

void Rar20Writer::Tables(std::vector<uint8_t> lengths, bool keepPrevious) {
  if (lengths.empty()) {
    lengths.assign(298, 9);
    lengths.insert(lengths.end(), 48, 6);
    lengths.insert(lengths.end(), 28, 5);
  }
  WriteTables(false, 1, lengths, keepPrevious);
}

void Rar20Writer::AudioTables(int channels, std::vector<uint8_t> lengths, bool keepPrevious) {
  if (lengths.empty())
    lengths.assign(size_t(257 * channels), 9);
  WriteTables(true, channels, lengths, keepPrevious);
}

void Rar20Writer::Literal(uint8_t byte) {
  PutSymbol(mainCodes_, mainLengths_, byte);
  output.push_back(byte);
}

void Rar20Writer::Literals(const Bytes &bytes) {
  for (uint8_t b : bytes)
    Literal(b);
}

void Rar20Writer::CopyMatch(uint32_t length, uint32_t distance) {
  lastDist_ = distance;
  oldDist_[oldCount_ & 3] = distance;
  oldCount_++;
  lastLength_ = length;
  for (uint32_t i = 0; i < length; i++) {
    size_t at = output.size();
    output.push_back(at >= distance ? output[at - distance] : 0);
  }
}

void Rar20Writer::Match(uint32_t length, uint32_t distance) {
  uint32_t adjust = (distance >= 0x40000 ? 1 : 0) + (distance >= 0x2000 ? 1 : 0);
  int slot = LengthSlot(length - adjust - 3);
  if (length < adjust + 3 || slot < 0)
    throw std::logic_error("length cannot be coded");
  PutSymbol(mainCodes_, mainLengths_, uint32_t(270 + slot));
  bits.Put(length - adjust - 3 - kLengthBase[slot], kLengthBits[slot]);
  int d = 47;
  while (DistBase(d) > distance - 1)
    d--;
  PutSymbol(distCodes_, distLengths_, uint32_t(d));
  bits.Put(distance - 1 - DistBase(d), DistBits(d));
  CopyMatch(length, distance);
}

void Rar20Writer::RepeatLast() {
  PutSymbol(mainCodes_, mainLengths_, 256);
  CopyMatch(lastLength_, lastDist_);
}

void Rar20Writer::OldDistance(int which, uint32_t length) {
  uint32_t distance = oldDist_[(oldCount_ - uint32_t(which)) & 3];
  uint32_t adjust = (distance >= 0x40000 ? 1 : 0) + (distance >= 0x2000 ? 1 : 0) + (distance >= 0x101 ? 1 : 0);
  int slot = LengthSlot(length - adjust - 2);
  if (length < adjust + 2 || slot < 0)
    throw std::logic_error("length cannot be coded");
  PutSymbol(mainCodes_, mainLengths_, uint32_t(256 + which));
  PutSymbol(repeatCodes_, repeatLengths_, uint32_t(slot));
  bits.Put(length - adjust - 2 - kLengthBase[slot], kLengthBits[slot]);
  CopyMatch(length, distance);
}

void Rar20Writer::ShortMatch(uint32_t distance) {
  int n = 7;
  while (kShortBase[n] > distance - 1)
    n--;
  PutSymbol(mainCodes_, mainLengths_, uint32_t(261 + n));
  bits.Put(distance - 1 - kShortBase[n], kShortBits[n]);
  CopyMatch(2, distance);
}

void Rar20Writer::NewTables(std::vector<uint8_t> lengths, bool keepPrevious) {
  PutSymbol(mainCodes_, mainLengths_, 269);
  Tables(std::move(lengths), keepPrevious);
}

void Rar20Writer::NewAudioTables(int channels, std::vector<uint8_t> lengths, bool keepPrevious) {
  PutSymbol(mainCodes_, mainLengths_, 269);
  AudioTables(channels, std::move(lengths), keepPrevious);
}

void Rar20Writer::AudioDelta(uint8_t delta) {
  PutSymbol(audioCodes_[size_t(channel_)], audioLengths_[size_t(channel_)], delta);
  channel_ = (channel_ + 1) % channels_;
}

void Rar20Writer::AudioNewTables(int channels, std::vector<uint8_t> lengths, bool keepPrevious) {
  PutSymbol(audioCodes_[size_t(channel_)], audioLengths_[size_t(channel_)], 256);
  AudioTables(channels, std::move(lengths), keepPrevious);
}

void Rar20Writer::AudioToLz(std::vector<uint8_t> lengths, bool keepPrevious) {
  PutSymbol(audioCodes_[size_t(channel_)], audioLengths_[size_t(channel_)], 256);
  Tables(std::move(lengths), keepPrevious);
}

Bytes DecodeStream(const Bytes &packed, uint32_t unpackedSize, bool solidContinuation) {
  ExtractorState &s = rar_state;
  crc32_init_table();
  Bytes source = packed;
  source.push_back(0); // fmemopen wants a non-empty buffer
  FILE *file = fmemopen(source.data(), packed.size() + 1, "rb");
  s.archive = file;
  s.window = static_cast<unsigned char *>(calloc(kWindowSize, 1));
  memset(&s.fileHeader, 0, sizeof s.fileHeader);
  s.fileHeader.unpackedSize = unpackedSize;
  s.fileHeader.flags = solidContinuation ? kFileSolidContinuation : 0;
  s.found = true;
  s.output = static_cast<unsigned char *>(malloc(unpackedSize + 1));
  uint32_t count = 0;
  s.outputCount = &count;
  s.packedLeft = uint32_t(packed.size());
  s.unpackedLeft = unpackedSize;
  s.encryptionLevel = 0;
  unpack_file(s.window);
  Bytes out(s.output, s.output + count);
  free(s.output);
  free(s.window);
  fclose(file);
  s.output = nullptr;
  s.window = nullptr;
  s.archive = nullptr;
  s.outputCount = nullptr;
  return out;
}

PeerResult ExtractWithUnar(const std::string &archive, const std::string &name, const std::string &password) {
  PeerResult r;
  if (system("command -v unar >/dev/null 2>&1") != 0)
    return r;
  r.available = true;
  ScratchDir out;
  std::string command = "unar -q -f -D -o '" + out.Path() + "'";
  if (!password.empty())
    command += " -p '" + password + "'";
  command += " '" + archive + "' '" + name + "' >/dev/null 2>&1";
  int status = system(command.c_str());
  if (status != 0)
    return r;
  struct stat info;
  std::string file = out.File(name);
  if (stat(file.c_str(), &info) != 0)
    return r;
  r.ok = true;
  r.data = ReadFile(file);
  return r;
}

std::string CorpusDir() {
  struct stat info;
  std::string dir = ZARVOX_RAR_CORPUS;
  if (stat((dir + "/EXPECTED.tsv").c_str(), &info) != 0)
    return "";
  return dir;
}
