// SPDX-License-Identifier: MIT
// Proves the module's acceptance rows: every request of EXPECTED.tsv against
// the archives made by real RAR programs gives the stated outcome, and a
// failure hands back a null block of size 0.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "rar_test_support.h"

namespace {
struct Row {
  std::string archive, entry, password, expected, detail;
};

std::vector<Row> ReadRows(const std::string &dir) {
  std::vector<Row> rows;
  std::ifstream in(dir + "/EXPECTED.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    Row r;
    std::stringstream fields(line);
    std::getline(fields, r.archive, '\t');
    std::getline(fields, r.entry, '\t');
    std::getline(fields, r.password, '\t');
    std::getline(fields, r.expected, '\t');
    std::getline(fields, r.detail, '\t');
    rows.push_back(r);
  }
  return rows;
}
} // namespace

TEST(RealArchives, EveryExpectedRowHolds) {
  std::string dir = CorpusDir();
  if (dir.empty())
    GTEST_SKIP() << "the corpus of real archives is not at " << ZARVOX_RAR_CORPUS;
  PrivateLog log;
  std::vector<Row> rows = ReadRows(dir);
  ASSERT_GE(rows.size(), 91u);
  int ok = 0;
  for (const Row &r : rows) {
    SCOPED_TRACE(r.archive + " / " + r.entry + " / " + r.password);
    Extraction e = Extract(dir + "/" + r.archive, r.entry, r.password.empty() ? nullptr : r.password.c_str());
    if (r.expected == "ok") {
      ok++;
      ASSERT_EQ(e.result, 1);
      char detail[32];
      snprintf(detail, sizeof detail, "%zu %08x", e.data.size(), Crc32(e.data));
      EXPECT_EQ(detail, r.detail);
      EXPECT_EQ(e.size, e.data.size());
    } else {
      EXPECT_EQ(e.result, 0);
      EXPECT_TRUE(e.blockNull);
      EXPECT_EQ(e.size, 0u);
    }
  }
  EXPECT_EQ(ok, 20);
}

// The failing rows fail for the stated reason: the log's last problem says which.
TEST(RealArchives, FailuresGiveTheirReasons) {
  std::string dir = CorpusDir();
  if (dir.empty())
    GTEST_SKIP() << "the corpus of real archives is not at " << ZARVOX_RAR_CORPUS;
  for (const Row &r : ReadRows(dir)) {
    if (r.expected != "fail")
      continue;
    PrivateLog log;
    SCOPED_TRACE(r.archive + " / " + r.entry + " / " + r.detail);
    Extract(dir + "/" + r.archive, r.entry, r.password.empty() ? nullptr : r.password.c_str());
    std::vector<std::string> messages = log.Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages.back().rfind("Error - couldn't extract >" + r.entry + "<", 0), 0u);
    const std::string &reason = messages[messages.size() - 2];
    if (r.detail.rfind("entry not in archive", 0) == 0) {
      // Nothing but header notes: headers of later RAR versions carry
      // fields that their CRC covers and this module's check does not.
      for (size_t i = 1; i + 1 < messages.size(); i++)
        EXPECT_EQ(messages[i], "file header broken");
    } else if (r.detail.rfind("unknown compression method", 0) == 0)
      EXPECT_EQ(reason, "unknown compression method");
    else if (r.detail.rfind("CRC", 0) == 0)
      EXPECT_EQ(reason, "CRC32 error - file couldn't be decompressed correctly!");
    else if (r.detail == "sub-block before the entry")
      EXPECT_EQ(reason, "Sorry, sub-headers not supported.");
    else if (r.detail == "old format") {
      EXPECT_EQ(reason, "Not a RAR file");
      EXPECT_EQ(messages[messages.size() - 3], "Attention: format as OLD detected! Can't handel archive!");
    } else if (r.detail == "not a RAR file")
      EXPECT_EQ(reason, "Not a RAR file");
    else
      ADD_FAILURE() << "unknown reason " << r.detail;
  }
}
