// Opening a file the program reads but did not make: the data file, an
// archive, a packer's input. Its path may name anything: a FIFO with no
// writer blocks a plain open() for ever, and a device or /proc file never
// ends. Such paths are refused instead of read. Not a Win32 call; no SDL.
#pragma once
#include <cstdio>

// Opens `path` read-only without blocking and without taking a terminal as
// the controlling one, and keeps it only when it is a regular file. Returns
// a descriptor (close-on-exec, binary, reads block again as usual), or -1
// with `*why` set to a short reason: the system's (strerror), or "a folder,
// not a regular file", "a FIFO, not a regular file" and the like. `why` may
// be NULL.
int PlatformOpenRegularFile(const char *path, const char **why);

// The same as a stdio stream for binary reading; NULL with `*why` set.
std::FILE *PlatformOpenRegularFileStream(const char *path, const char **why);
