// SPDX-License-Identifier: MIT
// A stand-in for the extraction call that logs it and answers from the fake
// world's files. Its own object, so that a test linking the real reader
// never pulls it in.
#include "fake_fsound.h"

#include "rar/rar.h"

#include <cstdlib>
#include <cstring>

int rar_extract_to_memory(unsigned char **block, uint32_t *size, const char *fileName, const char *archivePath,
                          const char *password) {
  fake::Log("Extract(%s,%s,%s)", fileName, archivePath, password);
  auto found = fake::Get().files.find(fileName);
  if (found == fake::Get().files.end()) {
    *block = nullptr;
    *size = 0;
    return 0;
  }
  *size = uint32_t(found->second.size());
  *block = static_cast<unsigned char *>(std::malloc(*size));
  std::memcpy(*block, found->second.data(), *size);
  return 1;
}
