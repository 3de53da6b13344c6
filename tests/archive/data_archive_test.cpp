// SPDX-License-Identifier: MIT
// Proves DataArchive: each Fetch is a complete extraction with the show's
// password, hands its caller a block of its own (which outlives later
// fetches and the archive object), and a failed Fetch gives NULL and size 0
// without spoiling the next one, nor waits on a FIFO in the file's place.
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "archive/data_archive.h"
#include "rar_test_support.h"

namespace {
// A data file like the show's: encrypted with its password, one entry
// stored and one compressed.
std::string ShowLikeArchive(const ScratchDir &dir, Bytes *logo, Bytes *music) {
  *logo = RandomBytes(3000, 1);
  Rar20Writer w;
  w.Tables();
  w.Literals(BytesOf("ID3 header of a soundtrack "));
  w.Match(200, 27);
  *music = w.output;
  ArchiveWriter a;
  a.AddStored("krel.png", *logo, "tarsk");
  a.AddPacked("zarvox.mp3", w.Finish(), *music, 0, "tarsk");
  return a.Save(dir, "zarvox.dat");
}
} // namespace

TEST(DataArchive, ConstructionTouchesNoFile) {
  DataArchive archive("no/such/zarvox.dat");
  EXPECT_EQ(archive.archivePath, "no/such/zarvox.dat");
  EXPECT_EQ(archive.currentName, "");
  EXPECT_EQ(archive.buffer, nullptr);
  EXPECT_EQ(archive.size, 0u);
}

TEST(DataArchive, FetchExtractsWithTheShowsPassword) {
  ScratchDir dir;
  Bytes logo, music;
  DataArchive archive(ShowLikeArchive(dir, &logo, &music));
  unsigned char *block = archive.Fetch("krel.png");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(archive.buffer, block);
  EXPECT_EQ(archive.currentName, "krel.png");
  ASSERT_EQ(archive.size, logo.size());
  EXPECT_EQ(memcmp(block, logo.data(), logo.size()), 0);
  free(block);

  block = archive.Fetch("ZARVOX.MP3");
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(archive.size, music.size());
  EXPECT_EQ(memcmp(block, music.data(), music.size()), 0);
  free(block);
}

TEST(DataArchive, FailedFetchGivesNullAndSizeZeroAndTheNextOneWorks) {
  ScratchDir dir;
  Bytes logo, music;
  DataArchive archive(ShowLikeArchive(dir, &logo, &music));
  unsigned char *first = archive.Fetch("krel.png");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(archive.Fetch("spheremap.png"), nullptr);
  EXPECT_EQ(archive.buffer, nullptr);
  EXPECT_EQ(archive.size, 0u);
  EXPECT_EQ(archive.currentName, "spheremap.png");
  EXPECT_EQ(archive.Fetch(""), nullptr);
  EXPECT_EQ(archive.currentName, "");
  unsigned char *again = archive.Fetch("krel.png");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(archive.size, logo.size());
  free(first);
  free(again);

  DataArchive missing(dir.File("absent.dat"));
  EXPECT_EQ(missing.Fetch("krel.png"), nullptr);
  EXPECT_EQ(missing.size, 0u);
  DataArchive noPath("");
  EXPECT_EQ(noPath.Fetch("krel.png"), nullptr);
}

// Fetching twice, even the same name, gives two independent blocks; each
// stays valid until its caller frees it, also after the archive is gone.
TEST(DataArchive, BlocksBelongToTheirCallers) {
  ScratchDir dir;
  Bytes logo, music;
  unsigned char *first;
  unsigned char *second;
  unsigned char *third;
  {
    DataArchive archive(ShowLikeArchive(dir, &logo, &music));
    first = archive.Fetch("krel.png");
    second = archive.Fetch("krel.png");
    third = archive.Fetch("zarvox.mp3");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(archive.buffer, third);
    first[0] ^= 0xFF; // changing one block leaves the other alone
    EXPECT_EQ(second[0], logo[0]);
    first[0] ^= 0xFF;
  }
  EXPECT_EQ(memcmp(first, logo.data(), logo.size()), 0);
  EXPECT_EQ(memcmp(second, logo.data(), logo.size()), 0);
  EXPECT_EQ(memcmp(third, music.data(), music.size()), 0);
  free(first);
  free(second);
  free(third);
}

// An archive enciphered with another password fails, as the show's data
// file would if it were swapped for a foreign one.
TEST(DataArchive, ForeignPasswordFails) {
  ScratchDir dir;
  ArchiveWriter a;
  a.AddStored("krel.png", RandomBytes(100, 2), "not tarsk");
  DataArchive archive(a.Save(dir, "foreign.dat"));
  EXPECT_EQ(archive.Fetch("krel.png"), nullptr);
  EXPECT_EQ(archive.size, 0u);
}

// A FIFO in the data file's place is refused at once, where a plain open
// would wait for a writer for ever. The Fetch runs in a child, so that a wait
// ends it (by the alarm) and fails the test instead of hanging it.
TEST(DataArchive, AFifoInPlaceOfTheDataFileIsRefusedAtOnce) {
  ScratchDir dir;
  const std::string fifo = dir.File("zarvox.dat");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(60);
    DataArchive archive(fifo);
    _exit(archive.Fetch("krel.png") == nullptr && archive.size == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
