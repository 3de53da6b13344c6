// SPDX-License-Identifier: MIT
// Where the tests find the media the build made, and a whole-file reader.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace media_test {

inline std::string MediaPath(const std::string &name) {
  return std::string(ZARVOX_BINARY_DIR) + "/media/" + name;
}

// The whole file, or an empty vector when it cannot be read.
inline std::vector<uint8_t> ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace media_test
