// SPDX-License-Identifier: MIT
// A log that only its user may read, in a folder that only its user may
// write: the RAR module's debug log, whose entries name the archives asked
// for. Each entry is one open, write and close, so the log survives a crash.
// Paths are UTF-8. Not a Win32 call; no SDL.
#pragma once
#include <cstddef>

namespace platform {

// The per-user folder for a program's state, made when missing, into
// `folder` (`size` bytes). Linux: $XDG_STATE_HOME/NAME where that is an
// absolute path, else ~/.local/state/NAME, each part made with mode 0700; none
// when the folder it starts from (XDG_STATE_HOME, else HOME) is not the
// effective user's, as for root with another user's HOME, who would be left
// with folders of root's in the home. Windows: %LOCALAPPDATA%\NAME, this
// user's own. False when there is none.
bool StateFolder(const char *name, char *folder, size_t size);

// Holds `folder` for a log: a handle (0 or more) that later writes go
// through, or -1 when it is refused. Linux: the folder itself, opened
// without following a link in its last step and kept only when it is this
// user's and nobody else may write in it; a folder swapped for a link later
// cannot send entries elsewhere. Windows: the folder as named.
int OpenLogFolder(const char *folder);
void CloseLogFolder(int handle);

// Opens the file `name` in the held folder for adding to its end, made when
// missing, emptied first with `truncate`: a descriptor to write with dprintf
// (below) and close, or -1. Linux: never through a link, never waiting on a
// FIFO, only a regular file of this user's with no other name, left
// readable by its owner alone. Windows: in text mode, each line ending in
// CR LF as Windows' editors expect.
int OpenLogFile(int handle, const char *name, bool truncate);

} // namespace platform

// POSIX's printf to a descriptor, which the Windows C library lacks: its back
// end provides it (the same declaration as the C library's elsewhere).
extern "C" int dprintf(int fd, const char *format, ...) __attribute__((format(printf, 2, 3)));
