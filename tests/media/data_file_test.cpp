// SPDX-License-Identifier: MIT
// Proves that the data file holds the three media as the show needs them: our
// reader and unar (an independent extractor, the control) both give back
// exactly the bytes the generators made, with the password "tarsk"; and the
// layout is the documented one: not solid, every entry encrypted and
// compressed, the images before the soundtrack.
#include "media_files.h"
#include "scratch_dir.h"
#ifdef ZARVOX_HAVE_RAR_READER
#include "rar/rar.h"
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const char *const kEntries[] = {"krel.png", "spheremap.png", "zarvox.mp3"}; // in archive order

std::string DataFile() {
  return std::string(ZARVOX_BINARY_DIR) + "/bin/zarvox.dat";
}

uint32_t Le(const std::vector<uint8_t> &b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = v << 8 | b[at + size_t(i)];
  return v;
}

TEST(DataFile, LayoutIsNotSolidWithEncryptedCompressedEntriesImagesFirst) {
  const std::vector<uint8_t> dat = media_test::ReadFile(DataFile());
  ASSERT_GT(dat.size(), 20u) << "no " << DataFile();
  ASSERT_EQ(std::string(dat.begin(), dat.begin() + 7), std::string("Rar!\x1a\x07\x00", 7));
  EXPECT_EQ(dat[9], 0x73);
  EXPECT_EQ(Le(dat, 10, 2) & 0x08, 0u) << "the archive is solid";
  size_t at = 7 + Le(dat, 12, 2);
  std::vector<std::string> names;
  while (at + 7 <= dat.size()) {
    const uint32_t type = dat[at + 2], flags = Le(dat, at + 3, 2), headSize = Le(dat, at + 5, 2);
    ASSERT_GE(headSize, 7u);
    const uint32_t dataSize = (flags & 0x8000) ? Le(dat, at + 7, 4) : 0;
    if (type == 0x74) {
      ASSERT_LE(at + 32, dat.size());
      const std::string name(dat.begin() + long(at) + 32, dat.begin() + long(at + 32 + Le(dat, at + 26, 2)));
      names.push_back(name);
      EXPECT_TRUE(flags & 0x04) << name << " is not encrypted";
      EXPECT_FALSE(flags & 0x10) << name << " continues a solid stream";
      EXPECT_NE(dat[at + 25], 0x30) << name << " is stored, not compressed";
      EXPECT_EQ(dat[at + 24], 20) << name << " needs another unpack version";
      EXPECT_EQ(Le(dat, at + 11, 4), media_test::ReadFile(media_test::MediaPath(name)).size()) << name;
    }
    at += headSize + dataSize;
  }
  EXPECT_EQ(names, std::vector<std::string>(std::begin(kEntries), std::end(kEntries)));
}

#ifdef ZARVOX_HAVE_RAR_READER
TEST(DataFile, OurReaderGivesTheThreeMediaFiles) {
  for (const char *name : kEntries) {
    unsigned char *block = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(rar_extract_to_memory(&block, &size, name, DataFile().c_str(), "tarsk"), 1) << name;
    const std::vector<uint8_t> got(block, block + size);
    std::free(block);
    EXPECT_TRUE(got == media_test::ReadFile(media_test::MediaPath(name))) << name << " differs";
  }
}
#endif

TEST(DataFile, UnarGivesTheSameThreeFiles) {
  if (std::system("command -v unar >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "unar is not installed (apt-get install unar)";
  ScratchDir dir;
  ASSERT_FALSE(dir.Path().empty());
  const std::string command =
      "unar -q -no-directory -p tarsk -o " + dir.Path() + " '" + DataFile() + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  for (const char *name : kEntries) {
    const std::string out = dir / name;
    const std::vector<uint8_t> got = media_test::ReadFile(out);
    EXPECT_FALSE(got.empty()) << "unar gave no " << name;
    EXPECT_TRUE(got == media_test::ReadFile(media_test::MediaPath(name))) << name << " differs";
  }
}

} // namespace
