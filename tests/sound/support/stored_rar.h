// A test-side writer of RAR 2.x archives whose entries are stored (method
// 0x30) and not enciphered: enough to put media into a data file for tests.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace soundtest {

using ArchiveEntry = std::pair<std::string, std::vector<unsigned char>>; // name, contents

std::vector<unsigned char> StoredRar(const std::vector<ArchiveEntry> &entries);
// Writes the archive to `path`; false if the file cannot be written.
bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes);

} // namespace soundtest
