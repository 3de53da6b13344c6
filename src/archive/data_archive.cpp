// SPDX-License-Identifier: MIT
// Fetches the show's media by name from its password-protected archive.
#include "archive/data_archive.h"

#include "rar/rar.h"

namespace {
// Every entry of the show's data file is enciphered with this password.
const char kPassword[] = "tarsk";
} // namespace

DataArchive::DataArchive(const std::string &path) : archivePath(path), buffer(nullptr), size(0) {}

// The blocks belong to the callers of Fetch; nothing is freed here.
DataArchive::~DataArchive() {
  buffer = nullptr;
}

unsigned char *DataArchive::Fetch(const std::string &name) {
  currentName = name;
  if (rar_extract_to_memory(&buffer, &size, currentName.c_str(), archivePath.c_str(), kPassword) == 0)
    buffer = nullptr;
  return buffer;
}
