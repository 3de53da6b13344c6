// SPDX-License-Identifier: MIT
// Proves the CRC-32 against its known values and the debug log's promises: a
// banner once per process, the two-line entry layout with the writing source
// line, the 499-character cut, its place in the per-user state folder (none in
// another user's home), that it holds no password, is for its owner's eyes
// alone and stays in the folder it checked, and that a log which cannot be
// written never stands in the way of extraction.
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "rar_internal.h"
#include "rar_test_support.h"

namespace {
const char kBanner[] = "Debug log of Quorra's DORIzerOdi\n~^~~~~~~~~~~~~~~~~~~~~~~~~~~~~^~\n"
                       "(executable compiled on ";

size_t Count(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    n++;
  return n;
}

// A simple pattern: 9 any digit, A an upper-case letter, a a lower-case one,
// # a digit or a space; anything else stands for itself.
bool Matches(const std::string &text, const std::string &pattern) {
  if (text.size() != pattern.size())
    return false;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    bool ok = pattern[i] == '9'   ? isdigit((unsigned char)c) != 0
              : pattern[i] == 'A' ? isupper((unsigned char)c) != 0
              : pattern[i] == 'a' ? islower((unsigned char)c) != 0
              : pattern[i] == '#' ? (isdigit((unsigned char)c) != 0 || c == ' ')
                                  : c == pattern[i];
    if (!ok)
      return false;
  }
  return true;
}

std::string StoredArchive(const ScratchDir &dir) {
  ArchiveWriter w;
  w.AddStored("hello.txt", BytesOf("hello, world\n"));
  return w.Save(dir, "hello.rar");
}
} // namespace

TEST(Crc32, KnownValues) {
  crc32_init_table();
  EXPECT_EQ(~crc32_update(0xFFFFFFFFu, "abc", 3), 0x352441C2u);
  EXPECT_EQ(~crc32_update(0xFFFFFFFFu, "", 0), 0u);
  EXPECT_EQ(~crc32_update(0xFFFFFFFFu, "123456789", 9), 0xCBF43926u);
}

// The fast path for long runs must give the byte-at-a-time value, whatever the
// length and alignment, and continue correctly from a running value.
TEST(Crc32, LongInputsMatchByteAtATime) {
  crc32_init_table();
  Bytes data = RandomBytes(5000, 7);
  for (size_t offset : {0, 1, 3}) {
    for (size_t length : {63, 64, 65, 1000, 4997}) {
      Bytes part(data.begin() + long(offset), data.begin() + long(offset + length));
      EXPECT_EQ(~crc32_update(0xFFFFFFFFu, part.data(), part.size()), Crc32(part)) << offset << "+" << length;
    }
  }
  uint32_t running = crc32_update(0xFFFFFFFFu, data.data(), 100);
  running = crc32_update(running, data.data() + 100, data.size() - 100);
  EXPECT_EQ(~running, Crc32(data));
}

TEST(DebugLog, TwoCallsGiveOneBannerAndBothCallsEntries) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  PrivateLog log;
  EXPECT_EQ(Extract(archive, "hello.txt").result, 1);
  EXPECT_EQ(Extract(archive, "missing.txt").result, 0);
  std::string text = log.Text();
  EXPECT_EQ(text.rfind(kBanner, 0), 0u) << text;
  EXPECT_EQ(Count(text, "Debug log of"), 1u);
  // The build stamp: "Mmm dd yyyy" at "hh:mm:ss", then an empty line.
  std::string stamp = text.substr(strlen(kBanner), 25);
  EXPECT_TRUE(Matches(stamp, "Aaa #9 9999 at 99:99:99)\n")) << stamp;
  EXPECT_EQ(text.substr(strlen(kBanner) + 25, 2), "\n ");
  std::vector<std::string> messages = log.Messages();
  ASSERT_EQ(messages.size(), 4u) << text;
  EXPECT_EQ(messages[0], "Extracting >hello.txt< from >" + archive + "< (password is ><)...");
  EXPECT_EQ(messages[1], "Extracted 13 Bytes.");
  EXPECT_EQ(messages[2], "Extracting >missing.txt< from >" + archive + "< (password is ><)...");
  EXPECT_EQ(messages[3], "Error - couldn't extract >missing.txt< and allocated 0 Bytes of unused memory!");
}

// Each entry: a space, milliseconds in eight columns, " ms (line N in PATH):",
// then 14 spaces, "- " and the message; PATH (relative to the source tree)
// and N are the statement's own.
TEST(DebugLog, EntriesNameTheirSourceLine) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  PrivateLog log;
  Extract(archive, "hello.txt");
  std::string text = log.Text();
  size_t header = text.find(" ms (line ");
  ASSERT_NE(header, std::string::npos) << text;
  size_t lineStart = text.rfind('\n', header) + 1;
  EXPECT_EQ(header - lineStart, 9u) << "a space and eight columns of milliseconds";
  std::string ms = text.substr(lineStart, 9);
  size_t digits = ms.find_first_not_of(' ');
  EXPECT_TRUE(digits >= 1 && digits < 9 && ms.find_first_not_of("0123456789", digits) == std::string::npos) << ms;
  size_t lineEnd = text.find('\n', header);
  std::string rest = text.substr(header + 10, lineEnd - header - 10); // "N in PATH):"
  size_t in = rest.find(" in ");
  ASSERT_NE(in, std::string::npos);
  int lineNumber = std::stoi(rest.substr(0, in));
  std::string sourcePath = rest.substr(in + 4, rest.size() - in - 6);
  EXPECT_EQ(rest.substr(rest.size() - 2), "):");
  EXPECT_EQ(text.substr(lineEnd + 1, 30), "              - Extracting >he");
  EXPECT_NE(sourcePath.find("archive.cpp"), std::string::npos) << sourcePath;
  // Relative to the source tree: the build machine's folders stay out.
  EXPECT_NE(sourcePath[0], '/') << sourcePath;
  // The line number points at the logging statement in that file.
  Bytes source = ReadFile(std::string(ZARVOX_SOURCE_DIR) + "/" + sourcePath);
  ASSERT_FALSE(source.empty()) << sourcePath;
  std::string sourceText(source.begin(), source.end());
  size_t at = 0;
  for (int line = 1; line < lineNumber; line++)
    at = sourceText.find('\n', at) + 1;
  EXPECT_NE(sourceText.substr(at, sourceText.find('\n', at) - at).find("Extracting >%s<"), std::string::npos);
}

TEST(DebugLog, MessagesAreCutAt499Characters) {
  ScratchDir dir;
  PrivateLog log;
  std::string longName(259, 'n');
  std::string longPath = dir.Path() + "/" + std::string(258 - dir.Path().size(), 'a');
  Extract(longPath, longName);
  std::vector<std::string> messages = log.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].size(), 499u);
  EXPECT_EQ(messages[0].rfind("Extracting >" + longName + "< from >", 0), 0u);
}

// An earlier log is replaced, and left readable by its owner alone whatever
// its mode was: its entries name the archives asked for.
TEST(DebugLog, TheLogIsReplacedAtTheFirstCallOfAProcessAndKeptPrivate) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  PrivateLog log;
  WriteFile(log.path, BytesOf("an old log\n"));
  ASSERT_EQ(chmod(log.path.c_str(), 0644), 0);
  Extract(archive, "hello.txt");
  EXPECT_EQ(log.Text().find("an old log"), std::string::npos);
  EXPECT_EQ(log.Text().rfind(kBanner, 0), 0u);
  struct stat info;
  ASSERT_EQ(stat(log.path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Whoever reads the log learns neither a password nor its length, only that
// one was given.
TEST(DebugLog, PasswordsNeverReachTheLog) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("secret.txt", BytesOf("for your eyes only\n"), "s3cret-Zq7");
  std::string archive = w.Save(dir, "secret.rar");
  PrivateLog log;
  EXPECT_EQ(Extract(archive, "secret.txt", "s3cret-Zq7").result, 1);
  Extract(archive, "secret.txt", "a much longer and wrong passphrase");
  std::string text = log.Text();
  EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
  EXPECT_EQ(text.find("passphrase"), std::string::npos) << text;
  std::vector<std::string> messages = log.Messages();
  ASSERT_GE(messages.size(), 3u) << text;
  EXPECT_EQ(messages[0], "Extracting >secret.txt< from >" + archive + "< (password is >********<)...");
  EXPECT_EQ(messages[2], messages[0]);
}

// The folder is checked once and held: swapped for a link to somewhere else
// between two entries, it still gets them, and the other place nothing.
TEST(DebugLog, EntriesStayInTheFolderThatWasChecked) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  ScratchDir elsewhere;
  const std::string folder = dir.File("logs");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  debug_log_set_directory(folder.c_str());
  Extract(archive, "hello.txt");
  ASSERT_EQ(rename(folder.c_str(), dir.File("checked").c_str()), 0);
  ASSERT_EQ(symlink(elsewhere.Path().c_str(), folder.c_str()), 0);
  Extract(archive, "missing.txt");
  debug_log_set_directory(nullptr);
  struct stat info;
  EXPECT_NE(lstat(elsewhere.File("debug_unrar.txt").c_str(), &info), 0) << "the log followed the link";
  Bytes kept = ReadFile(dir.File("checked/debug_unrar.txt"));
  EXPECT_NE(std::string(kept.begin(), kept.end()).find("Extracting >missing.txt<"), std::string::npos);
}

TEST(DebugLog, UnwritableLogFolderLeavesExtractionWorkingAndCreatesNothing) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  // A folder below a plain file can never be made, not even by root.
  WriteFile(dir.File("plain"), BytesOf("x"));
  debug_log_set_directory(dir.File("plain/logs").c_str());
  Extraction first = Extract(archive, "hello.txt");
  Extraction second = Extract(archive, "hello.txt");
  debug_log_set_directory(nullptr);
  EXPECT_EQ(first.result, 1);
  EXPECT_EQ(second.result, 1);
  EXPECT_EQ(first.data, BytesOf("hello, world\n"));
  struct stat info;
  EXPECT_NE(stat(dir.File("plain/logs").c_str(), &info), 0);
}

// A log file that disappears between calls (or cannot be opened) only drops
// entries; extraction goes on.
TEST(DebugLog, LaterEntriesThatCannotBeWrittenAreDropped) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  PrivateLog log;
  Extract(archive, "hello.txt");
  ASSERT_EQ(unlink(log.path.c_str()), 0);
  ASSERT_EQ(mkdir(log.path.c_str(), 0700), 0); // now a folder stands there
  EXPECT_EQ(Extract(archive, "hello.txt").result, 1);
}

TEST(DebugLog, APlantedSymbolicLinkIsNeverFollowed) {
  ScratchDir dir;
  std::string archive = StoredArchive(dir);
  ScratchDir logDir;
  std::string target = dir.File("victim.txt");
  WriteFile(target, BytesOf("precious\n"));
  ASSERT_EQ(symlink(target.c_str(), logDir.File("debug_unrar.txt").c_str()), 0);
  debug_log_set_directory(logDir.Path().c_str());
  EXPECT_EQ(Extract(archive, "hello.txt").result, 1);
  debug_log_set_directory(nullptr);
  EXPECT_EQ(ReadFile(target), BytesOf("precious\n"));
}

// By default the log goes to $XDG_STATE_HOME/zarvox (made when missing, for
// this user only), else to ~/.local/state/zarvox; never to a relative place.
TEST(DebugLog, DefaultPlaceIsThePerUserStateFolder) {
  ScratchDir dir;
  std::string savedState = getenv("XDG_STATE_HOME") != nullptr ? getenv("XDG_STATE_HOME") : "";
  std::string savedHome = getenv("HOME") != nullptr ? getenv("HOME") : "";
  char path[4096];

  setenv("XDG_STATE_HOME", (dir.Path() + "/state").c_str(), 1);
  ASSERT_TRUE(debug_log_default_path(path, sizeof path));
  EXPECT_EQ(std::string(path), dir.Path() + "/state/zarvox/debug_unrar.txt");
  struct stat info;
  ASSERT_EQ(stat((dir.Path() + "/state/zarvox").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  setenv("XDG_STATE_HOME", "relative/state", 1);
  setenv("HOME", (dir.Path() + "/home").c_str(), 1);
  ASSERT_TRUE(debug_log_default_path(path, sizeof path));
  EXPECT_EQ(std::string(path), dir.Path() + "/home/.local/state/zarvox/debug_unrar.txt");

  // A program folder that others may write to is refused.
  ASSERT_EQ(chmod((dir.Path() + "/home/.local/state/zarvox").c_str(), 0777), 0);
  EXPECT_FALSE(debug_log_default_path(path, sizeof path));

  if (savedState.empty())
    unsetenv("XDG_STATE_HOME");
  else
    setenv("XDG_STATE_HOME", savedState.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
}

// Root with another user's HOME (sudo keeps it) would make root-owned
// folders there that the user could then not use: the log stays off.
TEST(DebugLog, AnotherUsersHomeGetsNoFolders) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only root can make a home that belongs to someone else";
  ScratchDir dir;
  const std::string home = dir.File("home");
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);
  std::string savedState = getenv("XDG_STATE_HOME") != nullptr ? getenv("XDG_STATE_HOME") : "";
  std::string savedHome = getenv("HOME") != nullptr ? getenv("HOME") : "";
  unsetenv("XDG_STATE_HOME");
  setenv("HOME", home.c_str(), 1);
  char path[4096];
  EXPECT_FALSE(debug_log_default_path(path, sizeof path)) << path;
  struct stat info;
  EXPECT_NE(stat((home + "/.local").c_str(), &info), 0) << "folders made in another user's home";
  setenv("XDG_STATE_HOME", savedState.c_str(), 1);
  if (savedState.empty())
    unsetenv("XDG_STATE_HOME");
  setenv("HOME", savedHome.c_str(), 1);
}
