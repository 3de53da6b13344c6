// SPDX-License-Identifier: MIT
// Inside the kernel part: the data file found in a data folder by
// FindDataFile, for the opening of files by name.
#pragma once
#ifdef _WIN32
#error "This header is the Linux back end's: Windows has its own USER, GDI and kernel"
#endif

namespace platform {

// The path to open for `path`: the data folder's file where `path` is the
// data file's relative name and FindDataFile found it elsewhere; else `path`.
const char *DataFilePath(const char *path);

} // namespace platform
