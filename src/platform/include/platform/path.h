// SPDX-License-Identifier: MIT
// Paths in UTF-8, the layer's encoding of names on every system. Windows
// reaches them through its wide-character calls, so that any name the
// system allows works whatever the ANSI code page, and a name a tool stores
// (an archive entry) has the same bytes as on Linux. Not a Win32 call; no SDL.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

// The characters that separate folders in a path: "/" on Linux, "/\\" on
// Windows.
extern const char kPathSeparators[];

// The length of the drive that starts a path ("C:" on Windows), which names
// no folder in it; 0 where there is none and on Linux.
size_t DriveLength(const std::string &path);

// True when `path` does not depend on the current folder: it starts with a
// separator (Windows: or a drive).
bool IsAbsolutePath(const std::string &path);

// What a path names, links followed.
enum class PathKind { kNothing, kFile, kFolder, kOther };
PathKind KindOfPath(const std::string &path);

// Makes the folder `path` (Linux: mode 0777 less the umask). True when it was
// made; false with `*existed` set when something stood there already, or
// with the system's reason in `*why`.
bool MakeFolder(const std::string &path, bool *existed, std::string *why);
// Removes an empty folder; false when it is not there or not empty.
bool RemoveFolder(const std::string &path);
// Removes a file; false when it cannot be.
bool RemoveFile(const std::string &path);

// The current folder, absolute; "" when the system cannot say (it was
// removed, say).
std::string CurrentFolder();

} // namespace platform
