// SPDX-License-Identifier: MIT
// Proves the two allocation failures: when the 1 MiB window or the entry's
// block cannot be had, the call fails with its own message, hands back
// nothing and leaks nothing. The module's calls of calloc and malloc are
// routed through here at link time (-Wl,--wrap).
#include <cstddef>
#include <cstdlib>

#include <gtest/gtest.h>

#include "rar_test_support.h"

extern "C" {
void *__real_calloc(size_t count, size_t size);
void *__real_malloc(size_t size);

size_t failCallocOf = 0; // a calloc of exactly this many bytes fails
size_t failMallocOf = 0; // a malloc of exactly this many bytes fails

void *__wrap_calloc(size_t count, size_t size) {
  if (failCallocOf != 0 && count * size == failCallocOf)
    return nullptr;
  return __real_calloc(count, size);
}

void *__wrap_malloc(size_t size) {
  if (failMallocOf != 0 && size == failMallocOf)
    return nullptr;
  return __real_malloc(size);
}
}

namespace {
std::vector<std::string> Between(const PrivateLog &log) {
  std::vector<std::string> m = log.Messages();
  return m.size() < 2 ? m : std::vector<std::string>(m.begin() + 1, m.end() - 1);
}
} // namespace

TEST(Failures, WindowCannotBeAllocated) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("a.txt", BytesOf("abc"));
  std::string archive = w.Save(dir, "a.rar");
  PrivateLog log;
  failCallocOf = 0x100000;
  Extraction e = Extract(archive, "a.txt");
  failCallocOf = 0;
  EXPECT_EQ(e.result, 0);
  EXPECT_TRUE(e.blockNull);
  EXPECT_EQ(e.size, 0u);
  EXPECT_EQ(Between(log), std::vector<std::string>{"Can't allocate memory for decompression!"});
  EXPECT_EQ(log.Messages().back(), "Error - couldn't extract >a.txt< and allocated 0 Bytes of unused memory!");
  EXPECT_EQ(Extract(archive, "a.txt").data, BytesOf("abc"));
}

TEST(Failures, OutputBlockCannotBeAllocated) {
  ScratchDir dir;
  ArchiveWriter w;
  w.AddStored("a.bin", RandomBytes(12345, 1));
  std::string archive = w.Save(dir, "a.rar");
  PrivateLog log;
  failMallocOf = 12345;
  Extraction e = Extract(archive, "a.bin");
  failMallocOf = 0;
  EXPECT_EQ(e.result, 0);
  EXPECT_TRUE(e.blockNull);
  EXPECT_EQ(Between(log), std::vector<std::string>{"can't allocate memory for the file decompression"});
}
