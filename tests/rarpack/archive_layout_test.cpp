// SPDX-License-Identifier: MIT
// Proves that the archive's blocks carry what readers rely on: marker, main
// header with the solid flag, file headers with a checking header CRC, Unix
// host, unpack version 20, the method, DOS time, attributes, names with the
// archive's separator, encryption and solid-continuation flags, packed data in
// whole cipher blocks, the end block; and that --mtime makes builds repeatable.
#include <gtest/gtest.h>

#include <ctime>

#include "pack_fixtures.h"
#include "rar/rar_crc32.h"
#include "rarpack/archive_writer.h"

using namespace packtest;

namespace {

uint32_t Crc32Of(const void *data, size_t size) {
  crc32_init_table();
  return ~crc32_update(0xFFFFFFFFu, data, size);
}

uint32_t Le16(const Bytes &b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}
uint32_t Le32(const Bytes &b, size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}

struct Block {
  size_t at;
  uint32_t crc, type, flags, headerSize, dataSize;
};

struct Entry {
  uint32_t flags, packedSize, size, host, fileCrc, time, version, method, attributes;
  std::string name;
  bool headerCrcOk;
  Bytes data; // packed bytes as stored
};

// A test-side walk over the whole archive, independent of the packer's code.
struct Walk {
  bool markerOk = false;
  uint32_t mainFlags = 0;
  bool mainCrcOk = false;
  std::vector<Block> blocks;
  std::vector<Entry> entries;
  size_t end = 0; // where the walk stopped

  explicit Walk(const Bytes &a) {
    static const uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    if (a.size() < 20 || !std::equal(kMarker, kMarker + 7, a.begin()))
      return;
    markerOk = true;
    mainFlags = Le16(a, 10);
    mainCrcOk = (Crc32Of(&a[9], 11) & 0xFFFF) == Le16(a, 7);
    size_t at = 7 + Le16(a, 12);
    while (at + 7 <= a.size()) {
      Block b{at, Le16(a, at), a[at + 2], Le16(a, at + 3), Le16(a, at + 5), 0};
      if (b.flags & 0x8000)
        b.dataSize = Le32(a, at + 7);
      blocks.push_back(b);
      if (b.type == 0x74) {
        Entry e;
        e.flags = b.flags;
        e.packedSize = Le32(a, at + 7);
        e.size = Le32(a, at + 11);
        e.host = a[at + 15];
        e.fileCrc = Le32(a, at + 16);
        e.time = Le32(a, at + 20);
        e.version = a[at + 24];
        e.method = a[at + 25];
        uint32_t nameSize = Le16(a, at + 26);
        e.attributes = Le32(a, at + 28);
        e.name.assign(a.begin() + long(at + 32), a.begin() + long(at + 32 + nameSize));
        e.headerCrcOk = (Crc32Of(&a[at + 2], 30 + nameSize) & 0xFFFF) == b.crc;
        e.data.assign(a.begin() + long(at + b.headerSize), a.begin() + long(at + b.headerSize + e.packedSize));
        entries.push_back(e);
      }
      at += b.headerSize + b.dataSize;
      if (b.headerSize < 7)
        break;
    }
    end = at;
  }
};

class ArchiveLayout : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    ASSERT_TRUE(WriteSamples(dir.Path(), {{"text.txt", TextBytes(40000, 1)},
                                          {"random.bin", RandomBytes(1000, 2)},
                                          {"empty.bin", {}},
                                          {"sub/deep/one.bin", {7}}}));
    ASSERT_EQ(chmod((dir / "random.bin").c_str(), 0750), 0);
  }

  Walk Pack(const rarpack::PackOptions &options, const std::vector<std::string> &files) {
    WorkingDirectory cd(dir.Path());
    std::string error;
    EXPECT_TRUE(rarpack::PackArchive("out.rar", files, options, &error)) << error;
    Bytes archive;
    EXPECT_TRUE(ReadFile("out.rar", &archive));
    lastSize = archive.size();
    return Walk(archive);
  }

  ScratchDir dir;
  size_t lastSize = 0;
};

const std::vector<std::string> kFiles = {"text.txt", "random.bin", "empty.bin", "./sub/deep/one.bin"};

} // namespace

TEST_F(ArchiveLayout, HeadersOfANormalArchive) {
  rarpack::PackOptions o;
  o.fixedTime = true;
  o.mtime = 1000000000;
  Walk w = Pack(o, kFiles);
  ASSERT_TRUE(w.markerOk);
  EXPECT_EQ(w.mainFlags & 0x08, 0u);
  EXPECT_TRUE(w.mainCrcOk);
  ASSERT_EQ(w.entries.size(), 4u);

  struct tm local;
  time_t t = 1000000000;
  ASSERT_TRUE(localtime_r(&t, &local));
  const uint32_t dos = uint32_t(local.tm_year - 80) << 25 | uint32_t(local.tm_mon + 1) << 21 |
                       uint32_t(local.tm_mday) << 16 | uint32_t(local.tm_hour) << 11 | uint32_t(local.tm_min) << 5 |
                       uint32_t(local.tm_sec / 2);
  const char *names[] = {"text.txt", "random.bin", "empty.bin", "sub\\deep\\one.bin"};
  for (size_t i = 0; i < 4; i++) {
    const Entry &e = w.entries[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.name, names[i]);
    EXPECT_TRUE(e.headerCrcOk);
    EXPECT_EQ(e.host, 3u);
    EXPECT_EQ(e.version, 20u);
    EXPECT_EQ(e.time, dos);
    EXPECT_EQ(e.flags & 0x8000, 0x8000u);
    EXPECT_EQ(e.flags & (0x04 | 0x10), 0u);
    EXPECT_EQ(e.flags & 0xE0, 0x80u) << "dictionary size must say 1 MiB";
  }
  EXPECT_EQ(w.entries[0].method, 0x33u) << "text is compressed at the default level";
  EXPECT_EQ(w.entries[1].method, 0x30u) << "incompressible data is stored in a normal archive";
  EXPECT_EQ(w.entries[2].method, 0x30u);
  EXPECT_EQ(w.entries[2].packedSize, 0u);
  EXPECT_EQ(w.entries[1].attributes, 0100755u);
  EXPECT_EQ(w.entries[0].attributes, 0100644u);
  Bytes text;
  ASSERT_TRUE(ReadFile(dir / "text.txt", &text));
  EXPECT_EQ(w.entries[0].fileCrc, Crc32Of(text.data(), text.size()));
  EXPECT_EQ(w.entries[0].size, text.size());
  EXPECT_LT(w.entries[0].packedSize, text.size() / 2);
  Bytes random;
  ASSERT_TRUE(ReadFile(dir / "random.bin", &random));
  EXPECT_TRUE(w.entries[1].data == random) << "stored data is the file itself";

  // The end block closes the archive, right at the end of the file.
  ASSERT_FALSE(w.blocks.empty());
  const Block &last = w.blocks.back();
  EXPECT_EQ(last.type, 0x7Bu);
  EXPECT_EQ(last.headerSize, 7u);
  EXPECT_EQ(w.end, lastSize);
}

TEST_F(ArchiveLayout, SolidArchiveFlagsContinuationsAndPutsEmptyFilesFirst) {
  rarpack::PackOptions o;
  o.solid = true;
  Walk w = Pack(o, {"text.txt", "empty.bin", "random.bin", "sub/deep/one.bin"});
  ASSERT_TRUE(w.markerOk);
  EXPECT_EQ(w.mainFlags & 0x08, 0x08u);
  ASSERT_EQ(w.entries.size(), 4u);
  EXPECT_EQ(w.entries[0].name, "empty.bin");
  EXPECT_EQ(w.entries[0].method, 0x30u);
  EXPECT_EQ(w.entries[0].flags & 0x10, 0u);
  EXPECT_EQ(w.entries[1].name, "text.txt");
  EXPECT_EQ(w.entries[1].flags & 0x10, 0u) << "the first compressed entry starts the decoder afresh";
  for (size_t i = 2; i < 4; i++) {
    EXPECT_EQ(w.entries[i].flags & 0x10, 0x10u) << w.entries[i].name;
    EXPECT_NE(w.entries[i].method, 0x30u) << "a solid stream never stores a file in between";
  }
}

TEST_F(ArchiveLayout, EncryptedDataFillsWholeCipherBlocks) {
  rarpack::PackOptions o;
  o.password = "tarsk";
  for (int level : {0, 3}) {
    o.level = level;
    Walk w = Pack(o, kFiles);
    ASSERT_EQ(w.entries.size(), 4u);
    for (const Entry &e : w.entries) {
      SCOPED_TRACE(e.name + " level " + std::to_string(level));
      EXPECT_EQ(e.flags & 0x04, 0x04u);
      EXPECT_EQ(e.packedSize % 16, 0u);
      if (e.method == 0x30) {
        EXPECT_EQ(e.packedSize, (e.size + 15) / 16 * 16);
      }
    }
    Bytes random;
    ASSERT_TRUE(ReadFile(dir / "random.bin", &random));
    Bytes head(w.entries[1].data.begin(), w.entries[1].data.begin() + 16);
    EXPECT_FALSE(std::equal(head.begin(), head.end(), random.begin())) << "data must be enciphered";
  }
}

TEST_F(ArchiveLayout, FixedTimeMakesRepeatableArchives) {
  rarpack::PackOptions o;
  o.fixedTime = true;
  o.mtime = 1234567890;
  o.password = "tarsk";
  o.solid = true;
  Bytes first, second;
  Pack(o, kFiles);
  ASSERT_TRUE(ReadFile(dir / "out.rar", &first));
  ASSERT_EQ(RunShell("touch " + Quoted(dir / "text.txt")), 0);
  Pack(o, kFiles);
  ASSERT_TRUE(ReadFile(dir / "out.rar", &second));
  EXPECT_TRUE(first == second);
}

TEST(StoredName, RelativeWithTheArchiveSeparator) {
  EXPECT_EQ(rarpack::StoredName("krel.png"), "krel.png");
  EXPECT_EQ(rarpack::StoredName("./media/krel.png"), "media\\krel.png");
  EXPECT_EQ(rarpack::StoredName("/abs//path/./x"), "abs\\path\\x");
  EXPECT_EQ(rarpack::StoredName("a/../b"), "");
  EXPECT_EQ(rarpack::StoredName("./"), "");
}

TEST(DosTime, ClampsToTheRepresentableYears) {
  EXPECT_EQ(rarpack::DosTime(0) >> 25, 0u) << "before 1980 becomes 1980";
  EXPECT_EQ(rarpack::DosTime(int64_t(1) << 40) >> 25, 127u) << "after 2107 becomes 2107";
}
