// SPDX-License-Identifier: MIT
// The extraction entry point and the archive walk: finds one named entry of a
// RAR 2.x archive and hands it back, stored or decompressed, in a fresh block.
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/input_file.h"
#include "rar_internal.h"

ExtractorState rar_state;

namespace {
// What the log shows for any password given.
const char kPasswordMask[] = "********";

inline uint16_t load16(const unsigned char *p) {
  return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t load32(const unsigned char *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Copies a caller's argument into its state buffer; false (with the text cut
// to fit) when it is longer than the module takes.
bool copy_argument(char *to, size_t limit, const char *from) {
  if (from == nullptr)
    from = "";
  size_t length = strnlen(from, limit + 1);
  bool fits = length <= limit;
  if (!fits)
    length = limit;
  memcpy(to, from, length);
  to[length] = '\0';
  return fits;
}

// Case and path separators do not count: \\ and / become _, a-z become A-Z.
void fold_name(char *name) {
  for (char *c = name; *c != '\0'; c++) {
    if (*c == '\\' || *c == '/')
      *c = '_';
    else if (*c >= 'a' && *c <= 'z')
      *c = char(*c - 'a' + 'A');
  }
}

// RAR 2.0 data: unpack versions 13 to 20.
bool supported_version(uint8_t version) {
  return version >= 13 && version <= 20;
}

void wipe(void *bytes, size_t count) {
  volatile unsigned char *p = static_cast<volatile unsigned char *>(bytes);
  while (count-- > 0)
    *p++ = 0;
}

// No RAR 2.0 code is shorter than a bit and no match longer than 260 bytes,
// so no entry unpacks to more than 2080 bytes per packed byte. A size field
// beyond that (a damaged header asking for up to 4 GiB) gets no block.
constexpr uint64_t kMostBytesPerPackedByte = 8 * 260;

uint64_t largest_possible_output(int64_t fileSize) {
  const ExtractorState &s = rar_state;
  int64_t dataStart = s.blockStart + s.fileHeader.headerSize;
  int64_t inFile = fileSize > dataStart ? fileSize - dataStart : 0;
  int64_t packed = inFile < int64_t(s.fileHeader.packedSize) ? inFile : int64_t(s.fileHeader.packedSize);
  return uint64_t(packed) * kMostBytesPerPackedByte;
}

// A large block is filled once from start to end: where the system offers
// large pages, taking them spares a page fault every 4 KiB.
void advise_large_block(unsigned char *block, uint32_t size) {
#ifdef MADV_HUGEPAGE
  const uintptr_t huge = uintptr_t(2) << 20;
  if (block == nullptr || size < huge)
    return;
  uintptr_t start = (reinterpret_cast<uintptr_t>(block) + huge - 1) & ~(huge - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(huge - 1);
  if (end > start)
    madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#else
  (void)block;
  (void)size;
#endif
}

// Opens the archive, checks its marker and walks its blocks to the requested
// entry, extracting it (and, in a solid archive, every entry before it).
bool extraction_walk() {
  ExtractorState &s = rar_state;
  // Only a regular file is read: a FIFO in the archive's place would block
  // the open for ever, a device would never end.
  const int fd = PlatformOpenRegularFile(s.archivePath, nullptr);
  s.archive = fd >= 0 ? fdopen(fd, "rb") : nullptr;
  if (s.archive == nullptr) {
    if (fd >= 0)
      close(fd);
    RAR_PROBLEM("Error opening file.");
    return false;
  }
  if (!check_marker()) {
    RAR_PROBLEM("Not a RAR file");
    return false;
  }
  // Zeroed, so that even a damaged archive whose first entry claims to go on
  // from an earlier one reads defined bytes.
  s.window = static_cast<unsigned char *>(calloc(kWindowSize, 1));
  s.windowClean = true;
  if (s.window == nullptr) {
    RAR_PROBLEM("Can't allocate memory for decompression!");
    return false;
  }
  struct stat info;
  const int64_t fileSize = fstat(fileno(s.archive), &info) == 0 ? int64_t(info.st_size) : 0;
  fseeko(s.archive, off_t(s.mainHeader.headerSize) - 13, SEEK_CUR);
  const bool solid = (s.mainHeader.flags & kMainSolid) != 0;
  for (;;) {
    if (find_next_file() <= 0)
      return false;
    if (s.blockHeader.type == kBlockSub) {
      RAR_PROBLEM("Sorry, sub-headers not supported.");
      return false;
    }
    s.found = names_equal(s.requestedName, s.fileHeader.name);
    // The block is made only for an entry of a version this module unpacks;
    // any other fails on its version (in extract_entry) before a block is used.
    if (s.found && supported_version(s.fileHeader.unpackVersion)) {
      // malloc(0) may give NULL, which would read as a failure; an empty entry
      // still gets a valid block.
      uint32_t size = s.fileHeader.unpackedSize;
      if (size <= largest_possible_output(fileSize))
        s.output = static_cast<unsigned char *>(malloc(size > 0 ? size : 1));
      advise_large_block(s.output, size);
      if (s.output == nullptr) {
        RAR_PROBLEM("can't allocate memory for the file decompression");
        return false;
      }
      *s.outputCount = 0;
    }
    if ((solid || s.found) && !extract_entry())
      return false;
    fseeko(s.archive, off_t(s.nextBlock), SEEK_SET);
    if (s.found)
      return true;
  }
}
} // namespace

int rar_extract_to_memory(unsigned char **block, uint32_t *size, const char *fileName, const char *archivePath,
                          const char *password) {
  ExtractorState &s = rar_state;
  if (!s.log.firstCallDone) {
    s.log.firstCallDone = true;
    debug_log_open_default();
  }
  crc32_init_table();
  s.lastProblem[0] = '\0';

  bool fits = copy_argument(s.requestedName, kMaxNameLength, fileName);
  fits = copy_argument(s.archivePath, kMaxNameLength, archivePath) && fits;
  if (password != nullptr)
    fits = copy_argument(s.password, kMaxPasswordLength, password) && fits;
  // Without a place for the result there is nothing to hand back.
  uint32_t unusedSize = 0;
  s.output = nullptr;
  s.outputCount = size != nullptr ? size : &unusedSize;
  s.archive = nullptr;
  s.window = nullptr;
  s.found = false;
  // The log may be read by others than the one who knows the password: it
  // shows only whether one was given, never its text or its length.
  const char *shownPassword = s.password[0] != '\0' ? kPasswordMask : "";
  RAR_LOG("Extracting >%s< from >%s< (password is >%s<)...", s.requestedName, s.archivePath, shownPassword);

  bool ok = fits && block != nullptr && size != nullptr && extraction_walk();

  wipe(s.password, sizeof s.password);
  crypt_clear_key();
  if (s.archive != nullptr)
    fclose(s.archive);
  s.archive = nullptr;
  free(s.window);
  s.window = nullptr;
  if (!ok) {
    free(s.output);
    s.output = nullptr;
    *s.outputCount = 0;
    RAR_LOG("Error - couldn't extract >%s< and allocated %u Bytes of unused memory!", s.requestedName,
            unsigned(*s.outputCount));
  } else {
    RAR_LOG("Extracted %u Bytes.", unsigned(*s.outputCount));
  }
  if (block != nullptr)
    *block = s.output;
  s.output = nullptr;
  s.outputCount = nullptr;
  return ok ? 1 : 0;
}

bool rar_last_entry_enciphered() {
  return rar_state.found && (rar_state.fileHeader.flags & kFileEncrypted) != 0;
}

bool check_marker() {
  ExtractorState &s = rar_state;
  unsigned char marker[7];
  if (fread(marker, 1, sizeof marker, s.archive) < sizeof marker)
    return false;
  if (memcmp(marker, "RE~^", 4) == 0) {
    RAR_PROBLEM("Attention: format as OLD detected! Can't handel archive!");
    return false;
  }
  if (memcmp(marker, kMarker, sizeof kMarker) == 0 || memcmp(marker, "Quorra!", 7) == 0) {
    unsigned char raw[13];
    if (fread(raw, 1, sizeof raw, s.archive) < sizeof raw)
      return false;
    MainHeader &h = s.mainHeader;
    h.headerCrc = load16(raw);
    h.headerType = raw[2];
    h.flags = load16(raw + 3);
    h.headerSize = load16(raw + 5);
    h.reserved1 = load16(raw + 7);
    h.reserved2 = load32(raw + 9);
    return true;
  }
  RAR_PROBLEM("unknown archive type (only plain RAR supported (normal and solid archives), SFX and Volumes are NOT "
              "supported!)");
  return false;
}

int find_next_file() {
  ExtractorState &s = rar_state;
  FileHeader &h = s.fileHeader;
  const FileHeader saved = h;
  unsigned char raw[32];
  size_t got;
  uint32_t crc;
  for (;;) {
    s.blockStart = ftello(s.archive);
    // A last block shorter than 32 bytes reads as if the rest were zeros.
    memset(raw, 0, sizeof raw);
    got = fread(raw, 1, sizeof raw, s.archive);
    h.headerCrc = load16(raw);
    h.headerType = raw[2];
    h.flags = load16(raw + 3);
    h.headerSize = load16(raw + 5);
    h.packedSize = load32(raw + 7);
    h.unpackedSize = load32(raw + 11);
    h.hostOs = raw[15];
    h.fileCrc = load32(raw + 16);
    h.fileTime = load32(raw + 20);
    h.unpackVersion = raw[24];
    h.method = raw[25];
    h.nameSize = load16(raw + 26);
    h.attributes = load32(raw + 28);
    crc = crc32_update(0xFFFFFFFFu, raw + 2, 30);
    if (got != 0) {
      RAR_REQUIRE(h.headerSize >= 7, 0);
      s.nextBlock = s.blockStart + h.headerSize + ((h.flags & kBlockHasData) != 0 ? h.packedSize : 0);
      RAR_REQUIRE(s.nextBlock > s.blockStart, 0);
    }
    if (got == 0 || h.headerType == kBlockFile || h.headerType == kBlockSub)
      break;
    fseeko(s.archive, off_t(s.nextBlock), SEEK_SET);
  }
  s.blockHeader = BlockHeader{h.headerCrc, h.headerType, h.flags, h.headerSize, h.packedSize};
  if (h.headerType == kBlockFile) {
    if (h.nameSize > kMaxNameLength)
      h.nameSize = kMaxNameLength;
    memset(h.name, 0, sizeof h.name);
    size_t nameRead = fread(h.name, 1, h.nameSize, s.archive);
    crc = crc32_update(crc, h.name, nameRead);
    if (((~crc) & 0xFFFF) != h.headerCrc)
      RAR_LOG("file header broken");
    return int(32 + h.nameSize);
  }
  h = saved;
  fseeko(s.archive, off_t(s.blockStart), SEEK_SET);
  return int(got);
}

bool names_equal(const char *a, const char *b) {
  char left[512];
  char right[512];
  snprintf(left, sizeof left, "%s", a);
  snprintf(right, sizeof right, "%s", b);
  fold_name(left);
  fold_name(right);
  return strcmp(left, right) == 0;
}

bool extract_entry() {
  ExtractorState &s = rar_state;
  const FileHeader &h = s.fileHeader;
  if (!supported_version(h.unpackVersion)) {
    RAR_PROBLEM("unknown compression method");
    return false;
  }
  if (s.password[0] != '\0' && (h.flags & kFileEncrypted) != 0) {
    s.encryptionLevel = h.unpackVersion;
    crypt_set_key(s.password);
  } else {
    s.encryptionLevel = 0;
  }
  s.packedLeft = h.packedSize;
  s.unpackedLeft = h.unpackedSize;
  // Packed data follows the whole header, which may carry more fields (a file
  // comment, for one) after the name.
  fseeko(s.archive, off_t(s.blockStart + h.headerSize), SEEK_SET);
  if (h.method == kMethodStored)
    copy_stored();
  else
    unpack_file(s.window);
  if (s.output != nullptr) {
    // Short data (a truncated file, a split set's first part, a decoder that
    // ran out of input or stopped at an overrun) fails without a checksum
    // over bytes that were never written.
    if (*s.outputCount != h.unpackedSize || ~crc32_update(0xFFFFFFFFu, s.output, h.unpackedSize) != h.fileCrc) {
      RAR_PROBLEM("CRC32 error - file couldn't be decompressed correctly!");
      return false;
    }
  }
  return true;
}

void copy_stored() {
  ExtractorState &s = rar_state;
  // Stored entries that were not asked for are passed over: they leave the
  // decoder's state as it is.
  if (!s.found)
    return;
  const uint32_t size = s.fileHeader.unpackedSize;
  uint32_t copied;
  if (s.encryptionLevel >= 20) {
    // Deciphering works on whole 16-byte blocks: all but the last straight
    // into the block, the last (padded in the archive) through a staging copy,
    // so that nothing is written past the entry's size.
    const uint32_t whole = size & ~15u;
    copied = read_packed(s.output, whole);
    if (copied == whole && whole < size) {
      unsigned char last[16];
      uint32_t got = read_packed(last, sizeof last);
      uint32_t tail = size - whole < got ? size - whole : got;
      memcpy(s.output + whole, last, tail);
      copied += tail;
    }
  } else {
    copied = read_packed(s.output, size);
  }
  *s.outputCount = copied;
}

uint32_t read_packed(unsigned char *buffer, uint32_t count) {
  ExtractorState &s = rar_state;
  uint32_t got = 0;
  if (count != 0) {
    if (count > s.packedLeft)
      count = s.packedLeft;
    if (s.archive == nullptr)
      return 0;
    got = uint32_t(fread(buffer, 1, count, s.archive));
    s.packedLeft -= got;
  }
  if (s.encryptionLevel != 0) {
    if (s.encryptionLevel < 20) {
      RAR_PROBLEM("Old Crypt() not supported!");
    } else {
      // The caller's buffer has room for whole blocks: the last may reach up
      // to 15 bytes past what was read.
      crypt_decrypt_blocks(buffer, (got + 15) / 16);
    }
  }
  return got;
}
