// SPDX-License-Identifier: MIT
// Proves the archive walk and the entry point: every way a call can fail,
// with its exact log lines; name matching; which entries are read; layouts
// that once went wrong (data after the header, short blocks, short stored
// data, encrypted stored tails); and the password wiped after every call.
#include <cstring>

#include <gtest/gtest.h>

#include "rar_internal.h"
#include "rar_test_support.h"

namespace {
const char kAllocatedNothing[] = " and allocated 0 Bytes of unused memory!";
const char kCrcError[] = "CRC32 error - file couldn't be decompressed correctly!";

// The messages one failed request leaves between its "Extracting" line and
// its closing error line.
std::vector<std::string> FailureMessages(const PrivateLog &log, const std::string &name) {
  std::vector<std::string> all = log.Messages();
  EXPECT_GE(all.size(), 2u);
  if (all.size() < 2)
    return {};
  EXPECT_EQ(all.front().rfind("Extracting >" + name + "<", 0), 0u) << all.front();
  EXPECT_EQ(all.back(), "Error - couldn't extract >" + name + "<" + kAllocatedNothing);
  return std::vector<std::string>(all.begin() + 1, all.end() - 1);
}

void ExpectFailed(const Extraction &e) {
  EXPECT_EQ(e.result, 0);
  EXPECT_TRUE(e.blockNull);
  EXPECT_EQ(e.size, 0u);
}

using Messages = std::vector<std::string>;
} // namespace

// ---- every way a call fails ----------------------------------------------------

TEST(Failures, ArchiveThatCannotBeOpened) {
  ScratchDir dir;
  PrivateLog log;
  ExpectFailed(Extract(dir.File("absent.rar"), "a.txt"));
  EXPECT_EQ(FailureMessages(log, "a.txt"), Messages{"Error opening file."});
}

TEST(Failures, ShortMarkerOrMainHeader) {
  ScratchDir dir;
  WriteFile(dir.File("short.rar"), BytesOf("Rar!\x1A"));
  WriteFile(dir.File("empty.rar"), {});
  WriteFile(dir.File("header.rar"), BytesOf(std::string("Rar!\x1A\x07\x00\x01\x02\x73\x00\x00\x0D", 14)));
  for (const char *name : {"short.rar", "empty.rar", "header.rar"}) {
    PrivateLog log;
    ExpectFailed(Extract(dir.File(name), "a.txt"));
    EXPECT_EQ(FailureMessages(log, "a.txt"), Messages{"Not a RAR file"}) << name;
  }
}

TEST(Failures, OlderFormatMarker) {
  ScratchDir dir;
  WriteFile(dir.File("old.rar"), BytesOf(std::string("RE~^\x07\x00\x00 and more", 16)));
  PrivateLog log;
  ExpectFailed(Extract(dir.File("old.rar"), "a.txt"));
  EXPECT_EQ(FailureMessages(log, "a.txt"),
            (Messages{"Attention: format as OLD detected! Can't handel archive!", "Not a RAR file"}));
}

TEST(Failures, UnknownMarker) {
  ScratchDir dir;
  WriteFile(dir.File("plain.txt"), BytesOf("just some text, not an archive"));
  WriteFile(dir.File("rar5.rar"), BytesOf(std::string("Rar!\x1A\x07\x01\x00 more bytes here", 24)));
  for (const char *name : {"plain.txt", "rar5.rar"}) {
    PrivateLog log;
    ExpectFailed(Extract(dir.File(name), "a.txt"));
    EXPECT_EQ(FailureMessages(log, "a.txt"),
              (Messages{"unknown archive type (only plain RAR supported (normal and solid archives), SFX and "
                        "Volumes are NOT supported!)",
                        "Not a RAR file"}))
        << name;
  }
}

TEST(Failures, EntryNotFoundSaysNothingOfItsOwn) {
  ScratchDir dir;
  ArchiveWriter end;
  end.AddStored("a.txt", BytesOf("a"));
  ArchiveWriter endBlock = end;
  endBlock.AddEnd();
  ArchiveWriter tiny = end; // a block whose header size is below 7
  tiny.bytes.insert(tiny.bytes.end(), {0, 0, 0x79, 0, 0, 3, 0});
  for (auto &[name, writer] :
       {std::pair<const char *, ArchiveWriter &>{"end.rar", end}, {"endblock.rar", endBlock}, {"tiny.rar", tiny}}) {
    PrivateLog log;
    ExpectFailed(Extract(writer.Save(dir, name), "b.txt"));
    EXPECT_EQ(FailureMessages(log, "b.txt"), Messages{}) << name;
  }
}

TEST(Failures, SubBlockBeforeTheEntry) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("a.txt", BytesOf("a"));
  w.AddBlock(0x77, 0, BytesOf("owner data"));
  w.AddStored("b.txt", BytesOf("b"));
  std::string archive = w.Save(dir, "sub.rar");
  {
    PrivateLog log;
    ExpectFailed(Extract(archive, "b.txt"));
    EXPECT_EQ(FailureMessages(log, "b.txt"), Messages{"Sorry, sub-headers not supported."});
  }
  // An entry before the sub-block is still reached.
  EXPECT_EQ(Extract(archive, "a.txt").data, BytesOf("a"));
}

// A size field the entry's data could never fill gets no block: a damaged
// header cannot make the module ask for gigabytes.
TEST(Failures, OutputBlockRefused) {
  ScratchDir dir;
  EntryFields e;
  e.name = "huge.bin";
  e.packed = BytesOf("tiny");
  e.unpackedSize = 0xFFFFFFF0u;
  e.method = 0x33;
  ArchiveWriter w;
  w.AddEntry(e);
  PrivateLog log;
  ExpectFailed(Extract(w.Save(dir, "huge.rar"), "huge.bin"));
  EXPECT_EQ(FailureMessages(log, "huge.bin"), Messages{"can't allocate memory for the file decompression"});
}

TEST(Failures, UnpackVersionOutside13To20) {
  ScratchDir dir;
  for (uint8_t version : {12, 21, 29}) {
    EntryFields e;
    e.name = "a.txt";
    e.packed = BytesOf("abc");
    e.unpackedSize = 3;
    e.fileCrc = Crc32(e.packed);
    e.version = version;
    ArchiveWriter w;
    w.AddEntry(e);
    PrivateLog log;
    ExpectFailed(Extract(w.Save(dir, "v.rar"), "a.txt"));
    EXPECT_EQ(FailureMessages(log, "a.txt"), Messages{"unknown compression method"}) << int(version);
  }
  // A later version packs far more densely than RAR 2.0 can; such an entry
  // is refused for its version, not for its size.
  {
    EntryFields e;
    e.name = "dense.txt";
    e.packed = BytesOf("abc");
    e.unpackedSize = 0xFFFFFF00u;
    e.version = 29;
    e.method = 0x35;
    ArchiveWriter w;
    w.AddEntry(e);
    PrivateLog log;
    ExpectFailed(Extract(w.Save(dir, "v.rar"), "dense.txt"));
    EXPECT_EQ(FailureMessages(log, "dense.txt"), Messages{"unknown compression method"});
  }
  for (uint8_t version : {13, 20}) {
    EntryFields e;
    e.name = "a.txt";
    e.packed = BytesOf("abc");
    e.unpackedSize = 3;
    e.fileCrc = Crc32(e.packed);
    e.version = version;
    ArchiveWriter w;
    w.AddEntry(e);
    EXPECT_EQ(Extract(w.Save(dir, "v.rar"), "a.txt").data, BytesOf("abc")) << int(version);
  }
}

// In a solid archive an unusable entry before the requested one fails the
// call; in a normal archive it is never looked at.
TEST(Failures, UnusableEntryBeforeTheRequestedOneInASolidArchive) {
  ScratchDir dir;
  for (uint16_t mainFlags : {0x00, 0x08}) {
    EntryFields bad;
    bad.name = "first.bin";
    bad.packed = BytesOf("whatever");
    bad.unpackedSize = 8;
    bad.version = 29;
    bad.method = 0x33;
    ArchiveWriter w(mainFlags);
    w.AddEntry(bad);
    w.AddStored("second.txt", BytesOf("second"));
    PrivateLog log;
    Extraction e = Extract(w.Save(dir, "s.rar"), "second.txt");
    if (mainFlags == 0) {
      EXPECT_EQ(e.data, BytesOf("second"));
    } else {
      ExpectFailed(e);
      EXPECT_EQ(FailureMessages(log, "second.txt"), Messages{"unknown compression method"});
    }
  }
}

TEST(Failures, BrokenFileHeaderIsOnlyLogged) {
  ScratchDir dir;
  EntryFields e;
  e.name = "a.txt";
  e.packed = BytesOf("sound data");
  e.unpackedSize = uint32_t(e.packed.size());
  e.fileCrc = Crc32(e.packed);
  e.breakHeaderCrc = true;
  ArchiveWriter w;
  w.AddEntry(e);
  PrivateLog log;
  Extraction x = Extract(w.Save(dir, "b.rar"), "a.txt");
  EXPECT_EQ(x.data, BytesOf("sound data"));
  std::vector<std::string> m = log.Messages();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[1], "file header broken");
  EXPECT_EQ(m[2], "Extracted 10 Bytes.");
}

// Entries enciphered by the cipher older than version 20 are not deciphered:
// each read says so and the bytes go on as they were read.
TEST(Failures, OldCipherIsLoggedAtEveryReadAndFailsTheCrc) {
  ScratchDir dir;
  EntryFields e;
  e.name = "a.txt";
  e.packed = RandomBytes(16, 77); // what an old cipher made of the text
  e.unpackedSize = 16;
  e.fileCrc = Crc32(BytesOf("the plain text!!"));
  e.version = 15;
  e.flags |= 0x04;
  ArchiveWriter w;
  w.AddEntry(e);
  EntryFields asRead = e;
  asRead.name = "b.txt";
  asRead.fileCrc = Crc32(e.packed);
  w.AddEntry(asRead);
  std::string archive = w.Save(dir, "old.rar");
  {
    PrivateLog log;
    ExpectFailed(Extract(archive, "a.txt", "secret"));
    EXPECT_EQ(FailureMessages(log, "a.txt"), (Messages{"Old Crypt() not supported!", kCrcError}));
  }
  PrivateLog log;
  EXPECT_EQ(Extract(archive, "b.txt", "secret").data, e.packed);
  EXPECT_EQ(log.Messages().size(), 3u);
  EXPECT_EQ(log.Messages()[1], "Old Crypt() not supported!");
}

TEST(Failures, CrcMismatch) {
  ScratchDir dir;
  EntryFields e;
  e.name = "a.txt";
  e.packed = BytesOf("data");
  e.unpackedSize = 4;
  e.fileCrc = Crc32(e.packed) ^ 1;
  ArchiveWriter w;
  w.AddEntry(e);
  PrivateLog log;
  ExpectFailed(Extract(w.Save(dir, "c.rar"), "a.txt"));
  EXPECT_EQ(FailureMessages(log, "a.txt"), Messages{kCrcError});
}

TEST(Failures, EncryptedEntryWithoutPasswordFailsTheCrc) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("secret.txt", BytesOf("the secret of the show, 32 bytes"), "tarsk");
  std::string archive = w.Save(dir, "e.rar");
  for (const char *password : {static_cast<const char *>(nullptr), "", "wrong"}) {
    PrivateLog log;
    ExpectFailed(Extract(archive, "secret.txt", password));
    EXPECT_EQ(FailureMessages(log, "secret.txt"), Messages{kCrcError});
  }
  EXPECT_EQ(Extract(archive, "secret.txt", "tarsk").data, BytesOf("the secret of the show, 32 bytes"));
}

// ---- names --------------------------------------------------------------------

TEST(NameMatching, CaseAndSeparatorsDoNotCount) {
  EXPECT_TRUE(names_equal("DIR/FILE.PNG", "dir\\file.png"));
  EXPECT_TRUE(names_equal("DIR/FILE.PNG", "dir_file.png"));
  EXPECT_TRUE(names_equal("dir\\file.png", "DIR/FILE.PNG"));
  EXPECT_TRUE(names_equal("", ""));
  EXPECT_FALSE(names_equal("DIR/FILE.PNG", "dir/file.pn"));
  EXPECT_FALSE(names_equal("dir.file", "dir_file"));
  // Only ASCII letters fold; other bytes must be equal.
  EXPECT_FALSE(names_equal("\xC3\xA9", "\xC3\x89"));
  EXPECT_TRUE(names_equal("\xC3\xA9t\xC3\xA9", "\xC3\xA9T\xC3\xA9"));

  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("dir\\file.png", BytesOf("backslash"));
  std::string archive = w.Save(dir, "n.rar");
  EXPECT_EQ(Extract(archive, "DIR/FILE.PNG").data, BytesOf("backslash"));
}

TEST(NameMatching, FirstOfTwoEqualNamesWins) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("Same.txt", BytesOf("first"));
  w.AddStored("same.TXT", BytesOf("second"));
  EXPECT_EQ(Extract(w.Save(dir, "twice.rar"), "SAME.txt").data, BytesOf("first"));

  // Even when the first one fails, the walk ends there.
  EntryFields bad;
  bad.name = "same.txt";
  bad.packed = BytesOf("x");
  bad.unpackedSize = 1;
  bad.fileCrc = 0;
  ArchiveWriter v;
  v.AddEntry(bad);
  v.AddStored("same.txt", BytesOf("good"));
  ExpectFailed(Extract(v.Save(dir, "twice2.rar"), "same.txt"));
}

// ---- which data is read ----------------------------------------------------

TEST(ArchiveWalk, SecondEntryNeverReadsFirstEntrysData) {
  ScratchDir dir;
  // The first entry's header promises a compressed stream the decoder would
  // choke on and a version it refuses; it is passed over by its sizes alone.
  EntryFields first;
  first.name = "first.bin";
  first.packed = RandomBytes(3000, 1);
  first.unpackedSize = 100000;
  first.method = 0x35;
  first.version = 99;
  ArchiveWriter w;
  w.AddEntry(first);
  w.AddBlock(0x75, 0, BytesOf("an old comment block"));
  w.AddStored("second.txt", BytesOf("second"));
  PrivateLog log;
  EXPECT_EQ(Extract(w.Save(dir, "n.rar"), "second.txt").data, BytesOf("second"));
  EXPECT_EQ(log.Messages().size(), 2u);
}

TEST(ArchiveWalk, EmptyEntryGivesAValidZeroLengthBlock) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("empty", {});
  unsigned char *block = nullptr;
  uint32_t size = 77;
  std::string archive = w.Save(dir, "e.rar");
  ASSERT_EQ(rar_extract_to_memory(&block, &size, "empty", archive.c_str(), nullptr), 1);
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(size, 0u);
  free(block);
}

TEST(ArchiveWalk, AlternativeMarkerIsAccepted) {
  ScratchDir dir;
  ArchiveWriter w(0, "Quorra!");
  w.AddStored("a.txt", BytesOf("quorra"));
  EXPECT_EQ(Extract(w.Save(dir, "q.rar"), "a.txt").data, BytesOf("quorra"));
}

// Real RAR 2.x headers may carry fields after the name (a file comment, for
// one): the packed data starts after the whole header.
TEST(ArchiveWalk, PackedDataStartsAfterTheWholeHeader) {
  ScratchDir dir;
  EntryFields e;
  e.name = "FILE1.TXT";
  e.packed = BytesOf("file1\r\n");
  e.unpackedSize = 7;
  e.fileCrc = Crc32(e.packed);
  e.flags |= 0x08;
  e.extra = BytesOf(std::string("\x19\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                "\x00\x00\x00\x00\x00",
                                25));
  ArchiveWriter w(0x02);
  w.AddEntry(e);
  w.AddStored("FILE2.TXT", BytesOf("file2\r\n"));
  std::string archive = w.Save(dir, "c.rar");
  EXPECT_EQ(Extract(archive, "FILE1.TXT").data, BytesOf("file1\r\n"));
  EXPECT_EQ(Extract(archive, "FILE2.TXT").data, BytesOf("file2\r\n"));
}

// A last block shorter than 32 bytes: what was not read counts as zero, so
// an empty name found there has version 0 and is refused as such.
TEST(ArchiveWalk, ShortLastBlockReadsAsZeros) {
  ScratchDir dir;
  EntryFields e;
  e.name = "a.txt";
  e.packed = BytesOf("x");
  e.unpackedSize = 1;
  e.fileCrc = Crc32(e.packed);
  ArchiveWriter w;
  w.AddEntry(e);
  w.bytes.insert(w.bytes.end(), {0x00, 0x00, 0x74, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00});
  PrivateLog log;
  ExpectFailed(Extract(w.Save(dir, "s.rar"), ""));
  Messages m = FailureMessages(log, "");
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(m.back(), "unknown compression method");
}

TEST(ArchiveWalk, StoredDataShorterThanItsSizeFails) {
  ScratchDir dir;
  Bytes content = RandomBytes(3270, 5);
  // A first volume of a split set: the header's CRC is the CRC of the part
  // that is there, so only the size tells that the rest is missing. The
  // volume flags are not looked at: an entry whole in this volume extracts.
  EntryFields e;
  e.name = "split.nfo";
  e.packed = Bytes(content.begin(), content.begin() + 878);
  e.unpackedSize = 3270;
  e.fileCrc = Crc32(e.packed);
  e.flags |= 0x02; // continued in the next volume
  ArchiveWriter split(0x01);
  split.AddStored("whole.txt", BytesOf("whole"));
  split.AddEntry(e);
  EXPECT_EQ(Extract(split.Save(dir, "split.rar"), "whole.txt").data, BytesOf("whole"));
  // A file cut off in the middle of its data.
  ArchiveWriter cut;
  cut.AddStored("cut.bin", content);
  cut.bytes.resize(cut.bytes.size() - 1000);
  for (auto &[archive, name] : {std::pair<std::string, std::string>{split.Save(dir, "split.rar"), "split.nfo"},
                                {cut.Save(dir, "cut.rar"), "cut.bin"}}) {
    PrivateLog log;
    ExpectFailed(Extract(archive, name));
    EXPECT_EQ(FailureMessages(log, name), Messages{kCrcError}) << name;
  }
}

// The cipher works on whole 16-byte blocks; an entry whose size is not a
// multiple of 16 is deciphered without writing past its block.
TEST(ArchiveWalk, EncryptedStoredEntryOfAnySize) {
  ScratchDir dir;
  for (size_t size : {1, 7, 15, 16, 17, 31, 33, 100, 8191, 8193, 20000}) {
    Bytes content = RandomBytes(size, uint32_t(size));
    ArchiveWriter w;
    w.AddStored("a.bin", content, "tarsk");
    Extraction e = Extract(w.Save(dir, "enc.rar"), "a.bin", "tarsk");
    EXPECT_EQ(e.result, 1) << size;
    EXPECT_EQ(e.data, content) << size;
  }
}

// ---- arguments and state ------------------------------------------------------

TEST(EntryPoint, PasswordBufferIsAllZeroAfterEveryCall) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("a.txt", BytesOf("a"), "my password");
  std::string archive = w.Save(dir, "p.rar");
  const unsigned char zeros[sizeof rar_state.password] = {};
  const CryptKey noKey = {};
  for (const char *name : {"a.txt", "missing"}) {
    for (const char *password : {"my password", "wrong one"}) {
      Extract(archive, name, password);
      EXPECT_EQ(memcmp(rar_state.password, zeros, sizeof zeros), 0) << name << " " << password;
      EXPECT_EQ(memcmp(&rar_state.key, &noKey, sizeof noKey), 0) << "the key is derived from it";
    }
  }
  Extract(dir.File("absent.rar"), "a.txt", "my password");
  EXPECT_EQ(memcmp(rar_state.password, zeros, sizeof zeros), 0);
}

TEST(EntryPoint, ArgumentsBeyondTheirLimitsFailCleanly) {
  ScratchDir dir;
  ArchiveWriter w;
  std::string name259(259, 'a');
  w.AddStored(name259, BytesOf("long name"));
  w.AddStored("x", BytesOf("x"));
  std::string archive = w.Save(dir, "l.rar");
  EXPECT_EQ(Extract(archive, name259).data, BytesOf("long name"));
  ExpectFailed(Extract(archive, name259 + "a"));
  ExpectFailed(Extract(archive, "x", std::string(255, 'p').c_str()));
  EXPECT_EQ(Extract(archive, "x", std::string(254, 'p').c_str()).data, BytesOf("x"));
  ExpectFailed(Extract("/" + std::string(259, 'd'), "x"));

  unsigned char *block = nullptr;
  uint32_t size = 5;
  EXPECT_EQ(rar_extract_to_memory(nullptr, &size, "x", archive.c_str(), nullptr), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(rar_extract_to_memory(&block, nullptr, "x", archive.c_str(), nullptr), 0);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(rar_extract_to_memory(&block, &size, nullptr, nullptr, nullptr), 0);
}
