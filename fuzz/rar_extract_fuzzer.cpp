// SPDX-License-Identifier: MIT
// Fuzz target: any bytes as an archive file, asked for the entries it names
// (with and without a password) and for one it does not hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "rar/rar.h"

namespace {
// The archive lives in an anonymous in-memory file, opened by its /proc path.
int archiveFd = -1;
char archivePath[64];

bool prepare() {
  if (archiveFd >= 0)
    return true;
  // Thousands of runs a second would flood the log: it stays off here.
  debug_log_set_directory(nullptr);
  archiveFd = memfd_create("fuzz-archive", 0);
  if (archiveFd < 0)
    return false;
  snprintf(archivePath, sizeof archivePath, "/proc/self/fd/%d", archiveFd);
  return true;
}

uint32_t load16(const uint8_t *p) {
  return uint32_t(p[0] | p[1] << 8);
}
uint32_t load32(const uint8_t *p) {
  return load16(p) | load16(p + 2) << 16;
}

// The names of the first few file headers, found the way the module walks.
std::vector<std::string> entry_names(const uint8_t *data, size_t size) {
  std::vector<std::string> names;
  if (size < 20)
    return names;
  uint64_t at = 7 + uint64_t(load16(data + 12));
  while (names.size() < 3 && at + 32 <= size) {
    const uint8_t *h = data + at;
    uint32_t headerSize = load16(h + 5);
    if (headerSize < 7)
      break;
    if (h[2] == 0x74) {
      size_t nameSize = load16(h + 26);
      if (nameSize > 259)
        nameSize = 259;
      if (at + 32 + nameSize > size)
        break;
      std::string name(reinterpret_cast<const char *>(h + 32), nameSize);
      names.push_back(name.substr(0, strnlen(name.c_str(), nameSize)));
    }
    at += headerSize + ((load16(h + 3) & 0x8000) != 0 ? load32(h + 7) : 0);
  }
  return names;
}

void extract(const char *name, const char *password) {
  unsigned char *block = nullptr;
  uint32_t size = 0;
  if (rar_extract_to_memory(&block, &size, name, archivePath, password) != 0) {
    // Touch every byte handed back, so a short block shows up.
    volatile unsigned char sum = 0;
    for (uint32_t i = 0; i < size; i++)
      sum = sum + block[i];
  } else if (block != nullptr || size != 0) {
    abort(); // a failure must hand back nothing
  }
  free(block);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (!prepare())
    return 0;
  if (ftruncate(archiveFd, 0) != 0 || pwrite(archiveFd, data, size, 0) != ssize_t(size))
    return 0;
  std::vector<std::string> names = entry_names(data, size);
  for (size_t i = 0; i < names.size(); i++)
    extract(names[i].c_str(), i % 2 == 0 ? "password" : nullptr);
  extract("NO_SUCH_FILE.TXT", "tarsk");
  return 0;
}
