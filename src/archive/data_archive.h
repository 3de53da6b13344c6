// SPDX-License-Identifier: MIT
// The show's single door to its data file: each Fetch extracts one named file
// of the archive into a fresh block that the caller owns and frees.
#pragma once
#include <cstdint>
#include <string>

class DataArchive {
public:
  explicit DataArchive(const std::string &path);
  ~DataArchive();

  // The whole file as a malloc'd block, or NULL; read `size` right after.
  unsigned char *Fetch(const std::string &name);

  std::string archivePath;
  std::string currentName;
  unsigned char *buffer; // the latest block (not owned), NULL after a failed Fetch
  uint32_t size;         // its length; 0 after a failed Fetch
};
