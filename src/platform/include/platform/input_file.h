// SPDX-License-Identifier: MIT
// Opening a file the program reads but did not make: the data file, an
// archive, a packer's input. Its path may name anything: a FIFO with no
// writer blocks a plain open() for ever, and a device or /proc file never
// ends. Such paths are refused instead of read. Not a Win32 call; no SDL.
#pragma once
#include <cstdint>
#include <cstdio>
#include <ctime>

// Opens `path` read-only without blocking and without taking a terminal as
// the controlling one, and keeps it only when it is a regular file. Returns
// a descriptor (close-on-exec, binary, reads block again as usual), or -1
// with `*why` set to a short reason: the system's (strerror), or "a folder,
// not a regular file", "a FIFO, not a regular file" and the like. `why` may
// be NULL.
int PlatformOpenRegularFile(const char *path, const char **why);

// The same as a stdio stream for binary reading; NULL with `*why` set.
std::FILE *PlatformOpenRegularFileStream(const char *path, const char **why);

// What a reader such as the packer keeps of a file it opened.
struct PlatformFileFacts {
  uint64_t size;    // bytes
  int64_t modified; // the time of its last change, in Unix seconds
  bool executable;  // its owner may run it (Linux); never on Windows
  uint64_t volume;  // with `index`, tells one file from another whatever
  uint64_t index;   // name reaches it
};
// The facts of the open file `file`; false where the system cannot tell.
bool PlatformDescribeFile(std::FILE *file, PlatformFileFacts *facts);

// Unix seconds as the local calendar time, as archives record a file's time;
// false where the system cannot convert them.
bool PlatformLocalTime(int64_t seconds, std::tm *local);
