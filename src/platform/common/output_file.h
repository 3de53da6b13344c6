// SPDX-License-Identifier: MIT
// The system's part of the output files (platform/output_file.h), which each
// back end provides; common/output_file.cpp holds the rest, written once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// What stands at an output's path, links followed.
enum class OutputTarget { kNothing, kRegular, kFolder, kOther };
OutputTarget OutputTargetOf(const std::string &path);

// Opens `path`, an existing device or FIFO, for writing as it is; null with
// the system's reason.
std::FILE *OpenOutputDirectly(const std::string &path, std::string *why);

// Makes the new file `name` in `folder` (empty, or ending in a separator)
// and enters it among the files a stop removes, only once it exists: a name
// someone else holds is never removed. Returns its entry, with `*stream`
// open for reading and writing; -1 with `*taken` (the name is someone
// else's: try another) or the system's reason. `ownerOnly`: readable by its
// owner alone.
int CreatePendingFile(const std::string &folder, const std::string &name, bool ownerOnly, std::FILE **stream,
                      bool *taken, std::string *why);
// Renames the pending file over `name` in its folder, then leaves it out of
// those a stop removes; false with the system's reason (it stays pending).
bool RenamePendingFile(int pending, const std::string &folder, const std::string &name, std::string *why);
// Removes the pending file and leaves it out of those a stop removes.
void RemovePendingFile(int pending);
// What a stop does before the process ends: removes every pending file. Safe
// in a signal handler and on any thread, at any moment.
void RemovePendingFiles();

// Writes all `size` bytes to the descriptor `fd` (binary); false with the
// system's reason.
bool WriteAll(int fd, const void *data, size_t size, std::string *why);
// One write of at most `size` bytes to `fd`, as the system takes it: the
// bytes written, or -1 with errno set (never for an interrupted write).
long WriteSome(int fd, const void *data, size_t size);

// The folder for temporary files, ending in a separator.
std::string TemporaryFolder();
// Ends `stream`'s file at `size` bytes (the stream flushed); errno on failure.
bool TruncateFile(std::FILE *stream, int64_t size);
// Differs between processes and runs, to seed the temporary names.
uint64_t NameSeed();

} // namespace platform
