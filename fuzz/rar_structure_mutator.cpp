// SPDX-License-Identifier: MIT
// Structure-aware mutations for the archive fuzz target. The input is split
// into the marker, the main header and the blocks the module walks; one field,
// one block's packed data or the block list itself is changed, and then every
// header checksum is made to match again (and, in half the runs, the checksum
// of each stored entry), so that a mutation tests what it changed rather than
// the checks in front of it. Inputs that do not split get libFuzzer's own
// byte-level mutations.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "rar/rar_format.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

namespace {
using Bytes = std::vector<uint8_t>;
using Rng = std::minstd_rand;

// Header fields (offsets into the block; all but the first three only in file
// headers, and the packed size in any block with data); the name follows at 32.
constexpr size_t kType = 2, kFlags = 3, kHeadSize = 5, kPacked = 7, kUnpacked = 11, kHostOs = 15, kFileCrc = 16,
                 kVersion = 24, kMethod = 25, kNameSize = 26, kFileHeadFixed = 32;
constexpr size_t kMaxName = 259; // the reader reads (and checks) no more of a name

struct Block {
  Bytes head; // as long as its size field says
  Bytes data; // the packed data a kBlockHasData flag announces, cut short at the end of input
};

struct Archive {
  std::vector<Block> blocks; // blocks[0] is the main header
  Bytes tail;                // whatever follows the last whole header
};

uint32_t load(const uint8_t *p, size_t width) {
  uint32_t v = 0;
  for (size_t i = width; i-- > 0;)
    v = v << 8 | p[i];
  return v;
}
void store(uint8_t *p, size_t width, uint32_t v) {
  for (size_t i = 0; i < width; i++, v >>= 8)
    p[i] = uint8_t(v);
}

// Our own table rather than the module's, so that a fault in the module's
// checksum cannot hide behind the same fault here.
uint32_t crc32(uint32_t crc, const uint8_t *p, size_t n) {
  static const std::vector<uint32_t> table = [] {
    std::vector<uint32_t> t(256);
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++)
        c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  while (n-- > 0)
    crc = table[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

bool is_file(const Block &b) {
  return b.head[kType] == kBlockFile && b.head.size() >= kFileHeadFixed;
}

// Splits the input the way the reader walks it; false when there is not even a
// marker and a main header.
bool parse(const uint8_t *p, size_t size, Archive &a) {
  if (size < 7 + 13 || memcmp(p, kMarker, 7) != 0)
    return false;
  size_t mainSize = load(p + 12, 2);
  if (mainSize < 13 || 7 + mainSize > size)
    return false;
  a.blocks.push_back({Bytes(p + 7, p + 7 + mainSize), {}});
  size_t at = 7 + mainSize;
  while (at + 7 <= size) {
    size_t headSize = load(p + at + 5, 2);
    bool hasData = (load(p + at + 3, 2) & kBlockHasData) != 0;
    if (headSize < (hasData ? 11u : 7u) || at + headSize > size)
      break;
    size_t dataEnd = std::min<uint64_t>(size, uint64_t(at) + headSize + (hasData ? load(p + at + 7, 4) : 0));
    a.blocks.push_back({Bytes(p + at, p + at + headSize), Bytes(p + at + headSize, p + dataEnd)});
    at = dataEnd;
  }
  a.tail.assign(p + at, p + size);
  return true;
}

// Makes each stored, unenciphered entry's checksum match its data.
void fix_file_crcs(Archive &a) {
  for (Block &b : a.blocks) {
    uint8_t *h = b.head.data();
    if (!is_file(b) || h[kMethod] != kMethodStored || (load(h + kFlags, 2) & kFileEncrypted) != 0)
      continue;
    size_t n = std::min<size_t>(load(h + kUnpacked, 4), b.data.size());
    store(h + kFileCrc, 4, ~crc32(0xFFFFFFFFu, b.data.data(), n));
  }
}

// Writes the archive out with every header checksum set to what the reader
// computes: for a file header the 30 bytes after the checksum (zeros past the
// end of input) and the name (without what a longer header holds after it);
// for the main header its first 13 bytes; for other blocks their whole header.
Bytes serialize(const Archive &a) {
  Bytes out(kMarker, kMarker + 7);
  std::vector<size_t> starts;
  for (const Block &b : a.blocks) {
    starts.push_back(out.size());
    out.insert(out.end(), b.head.begin(), b.head.end());
    out.insert(out.end(), b.data.begin(), b.data.end());
  }
  out.insert(out.end(), a.tail.begin(), a.tail.end());
  // Backwards: a header shorter than 32 bytes has the next block's checksum
  // in what the reader sums for it.
  for (size_t i = a.blocks.size(); i-- > 0;) {
    size_t at = starts[i];
    uint32_t crc;
    if (i > 0 && a.blocks[i].head[kType] == kBlockFile) {
      uint8_t fixed[30] = {};
      memcpy(fixed, out.data() + at + 2, std::min<size_t>(30, out.size() - at - 2));
      size_t nameAt = std::min(out.size(), at + kFileHeadFixed);
      size_t nameSize = std::min({size_t(load(fixed + kNameSize - 2, 2)), kMaxName, out.size() - nameAt});
      crc = crc32(crc32(0xFFFFFFFFu, fixed, 30), out.data() + nameAt, nameSize);
    } else {
      // The main header's sum leaves out an archive comment after its 13
      // bytes, as the writers of old archives did.
      crc = crc32(0xFFFFFFFFu, out.data() + at + 2, (i == 0 ? 13 : a.blocks[i].head.size()) - 2);
    }
    store(out.data() + at, 2, ~crc);
  }
  return out;
}

// A value on or next to an edge of a field: zero, one, the largest, a sign
// bit, or one near the field's current or real value.
uint32_t edge_value(Rng &rng, size_t width, uint32_t current, uint32_t real) {
  const uint32_t max = width == 4 ? 0xFFFFFFFFu : (1u << 8 * width) - 1;
  const uint32_t near = uint32_t(int(rng() % 5) - 2);
  switch (rng() % 7) {
  case 0:
    return 0;
  case 1:
    return 1;
  case 2:
    return max - rng() % 2;
  case 3:
    return (max >> 1) + rng() % 2;
  case 4:
    return (current + near) & max;
  case 5:
    return (real + near) & max;
  default:
    return current ^ 1u << rng() % (8 * width);
  }
}

// Sets one header field of one block to a value chosen for that field.
void mutate_field(Rng &rng, Block &b, bool isMain) {
  static const uint16_t kFlagBits[] = {kFileEncrypted, kFileSolidContinuation, kMainSolid, kBlockHasData, 0x01, 0x02};
  // With the comment, extra-information, recovery and newer sub-blocks.
  static const uint8_t kTypes[] = {kBlockMain, kBlockFile, 0x75, 0x76, kBlockSub, 0x78, 0x7A, kBlockEnd};
  uint8_t *h = b.head.data();
  std::vector<size_t> fields = {kType, kFlags, kHeadSize};
  if (is_file(b) && !isMain)
    fields.insert(fields.end(), {kPacked, kUnpacked, kHostOs, kFileCrc, kVersion, kMethod, kNameSize});
  else if (b.head.size() >= 11 && !isMain)
    fields.push_back(kPacked);
  const size_t field = fields[rng() % fields.size()];
  const size_t width = field == kPacked || field == kUnpacked || field == kFileCrc   ? 4
                       : field == kFlags || field == kHeadSize || field == kNameSize ? 2
                                                                                     : 1;
  uint32_t value = load(h + field, width);
  const bool special = rng() % 4 != 0; // otherwise a plain edge value
  if (field == kFlags && special)
    value ^= rng() % 2 ? kFlagBits[rng() % std::size(kFlagBits)] : 1u << rng() % 16;
  else if (field == kType && special)
    value = kTypes[rng() % std::size(kTypes)];
  else if (field == kVersion && special)
    value = 12 + rng() % 10;
  else if (field == kMethod && special)
    value = kMethodStored + rng() % 7;
  else {
    uint32_t real = field == kHeadSize                          ? b.head.size()
                    : field == kPacked || field == kUnpacked    ? b.data.size()
                    : field == kNameSize && b.head.size() > 32u ? b.head.size() - 32
                                                                : value;
    value = edge_value(rng, width, value, real);
  }
  store(h + field, width, value);
}

// Mutates one block's packed data in place, growing it at most to the room
// left; the packed size follows, except now and then.
bool mutate_data(Rng &rng, Archive &a, size_t total, size_t maxSize) {
  std::vector<size_t> withData;
  for (size_t i = 1; i < a.blocks.size(); i++)
    if (!a.blocks[i].data.empty())
      withData.push_back(i);
  if (withData.empty())
    return false;
  Block &b = a.blocks[withData[rng() % withData.size()]];
  const size_t size = b.data.size();
  const size_t room = maxSize > total ? maxSize - total : 0;
  b.data.resize(size + std::min(room, size + 16));
  b.data.resize(LLVMFuzzerMutate(b.data.data(), size, b.data.size()));
  if (rng() % 8 != 0)
    store(b.head.data() + kPacked, 4, uint32_t(b.data.size()));
  if (is_file(b) && b.head[kMethod] == kMethodStored && rng() % 8 != 0)
    store(b.head.data() + kUnpacked, 4, uint32_t(b.data.size()));
  return true;
}

// Removes, duplicates, inserts or swaps whole blocks after the main header.
void mutate_blocks(Rng &rng, Archive &a) {
  std::vector<Block> &v = a.blocks;
  const size_t n = v.size();
  const size_t at = 1 + rng() % n; // an insertion point after the main header
  switch (rng() % 4) {
  case 0:
    if (n > 1)
      v.erase(v.begin() + 1 + rng() % (n - 1));
    break;
  case 1:
    if (n > 1)
      v.insert(v.begin() + at, Block(v[1 + rng() % (n - 1)]));
    break;
  case 2: {
    // An end block, or a small stored entry ("A", 3 bytes).
    Block b{{0, 0, kBlockEnd, 0x00, 0x40, 7, 0}, {}};
    if (rng() % 2) {
      b.head.assign(33, 0);
      b.head[kType] = kBlockFile;
      store(&b.head[kFlags], 2, kBlockHasData);
      store(&b.head[kHeadSize], 2, 33);
      store(&b.head[kPacked], 4, 3);
      store(&b.head[kUnpacked], 4, 3);
      b.head[kVersion] = 20;
      b.head[kMethod] = kMethodStored;
      b.head[kNameSize] = 1;
      b.head[32] = 'A';
      b.data = {'a', 'b', 'c'};
    }
    v.insert(v.begin() + at, b);
    break;
  }
  default:
    if (n > 2)
      std::swap(v[1 + rng() % (n - 1)], v[1 + rng() % (n - 1)]);
  }
}

size_t emit(const Archive &a, bool fixFileCrcs, uint8_t *data, size_t maxSize) {
  Archive copy = a;
  if (fixFileCrcs)
    fix_file_crcs(copy);
  Bytes out = serialize(copy);
  if (out.size() > maxSize)
    return 0;
  memcpy(data, out.data(), out.size());
  return out.size();
}
} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize, unsigned int seed) {
  Rng rng(seed);
  Archive a;
  if (!parse(data, size, a) || rng() % 16 == 0)
    return LLVMFuzzerMutate(data, size, maxSize);
  const bool fixFileCrcs = rng() % 2 != 0;
  const unsigned what = rng() % 8;
  if (what < 4) {
    size_t i = rng() % a.blocks.size();
    mutate_field(rng, a.blocks[i], i == 0);
  } else if (what < 7) {
    if (!mutate_data(rng, a, size, maxSize))
      mutate_blocks(rng, a);
  } else {
    mutate_blocks(rng, a);
  }
  size_t out = emit(a, fixFileCrcs, data, maxSize);
  return out != 0 ? out : LLVMFuzzerMutate(data, size, maxSize);
}

// Splices a run of blocks from the second input into the first.
extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t *data1, size_t size1, const uint8_t *data2, size_t size2,
                                            uint8_t *out, size_t maxOutSize, unsigned int seed) {
  Rng rng(seed);
  Archive a, b;
  if (!parse(data1, size1, a) || !parse(data2, size2, b) || b.blocks.size() < 2)
    return 0;
  const size_t from = 1 + rng() % (b.blocks.size() - 1);
  const size_t to = from + 1 + rng() % (b.blocks.size() - from);
  a.blocks.insert(a.blocks.begin() + 1 + rng() % a.blocks.size(), b.blocks.begin() + from, b.blocks.begin() + to);
  return emit(a, false, out, maxOutSize);
}
