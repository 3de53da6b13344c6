// SPDX-License-Identifier: MIT
// A test-side writer of RAR 2.x archives whose entries are stored (method
// 0x30, unpack version 20) and not enciphered, in the given order: enough to
// put media into a data file for tests.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using ArchiveEntry = std::pair<std::string, std::vector<uint8_t>>; // name, contents

std::vector<uint8_t> StoredRar(const std::vector<ArchiveEntry> &entries);
// Writes `bytes` to `path`; false if the file cannot be written.
bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes);

} // namespace testsupport
