// SPDX-License-Identifier: MIT
// Writes single-volume RAR 2.x archives: marker, main header, one file header
// and packed data per file, end-of-archive block. The library surface of the
// packer; `rarpack` is its command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rarpack/encoder.h"

namespace rarpack {

struct PackOptions {
  int level = 3;          // 0: store every file; 1 (fastest) to 5 (smallest)
  bool solid = false;     // entries continue each other's decoder state
  std::string password;   // empty: no encryption; else at most 254 bytes
  int audio = kAudioAuto; // kAudioOff, kAudioAuto or 1 to 4 channels
  bool fixedTime = false; // write `mtime` as every entry's time instead of the file's own
  int64_t mtime = 0;      // Unix seconds, used with fixedTime
};

// What was written for one file.
struct EntryReport {
  std::string name;        // as stored
  uint32_t size = 0;       // unpacked bytes
  uint32_t packedSize = 0; // packed bytes, cipher padding included
  bool stored = false;     // method 0x30
  uint64_t audioBytes = 0; // bytes coded in audio mode
};

// The name a path is stored under: relative, without "." components or a
// leading "/", with a backslash (the archive's separator) between folders.
// Empty when the path cannot be stored (see UnsafeNameReason); check the
// 259-byte limit separately.
std::string StoredName(const std::string &path);

// Why `path` cannot be stored, "" when it can. A stored name must extract
// inside the target folder on every reader, Windows ones included: no file
// name, a '\' in a name, a ".." part (or one of dots and spaces only, which
// Windows reads as ".."), or a drive ("C:") at the start are refused.
std::string UnsafeNameReason(const std::string &path);

// Unix time to the archive's DOS date and time (local time, 2-second steps,
// clamped to 1980..2107).
uint32_t DosTime(int64_t unixSeconds);

// Packs `files` into a new archive at `archivePath` (replacing any file
// there; a device or FIFO gets the archive written into it). Writes a
// temporary file and puts it in place only when everything succeeded, so a
// failure never leaves a half-written archive, nor does a signal that ends
// the process (the layer's output file, platform/output_file.h). On failure
// returns false with a one-line message in *error. Single-threaded: one
// PackArchive at a time.
bool PackArchive(const std::string &archivePath, const std::vector<std::string> &files, const PackOptions &options,
                 std::string *error, std::vector<EntryReport> *report = nullptr);

} // namespace rarpack
