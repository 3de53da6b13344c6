// SPDX-License-Identifier: MIT
// Files the tools write: an archive, an extracted entry, a soundtrack handed
// to another program. A file that takes the place of what stands at its
// path is written beside it under a temporary name and renamed into place
// only once whole, so that a failure never leaves half a file nor spoils the
// one that was there. A path that names neither a regular file nor a folder
// (a device, a FIFO) is never replaced: what is written goes into it as it
// is, as cp and shell redirection do, once whole.
// Temporary files are removed when a stop ends the process: Linux, any
// signal that ends a process by default; Windows, Ctrl+C, Ctrl+Break and the
// console's closing. Paths are UTF-8. Not a Win32 call; no SDL.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

class OutputFile {
public:
  OutputFile() = default;
  ~OutputFile() { Discard(); }
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // Starts writing `path`: into a new file beside it, named as it is but cut
  // short enough for ".tmpXXXXXX" to fit (never one that someone else made).
  // Where `path` names an existing device or FIFO, that is opened now (a
  // FIFO waits for its reader) and the new file is made in the temporary
  // folder. False, with one line in `*why`, when it cannot be written.
  bool Create(const std::string &path, std::string *why);
  // Starts a new file STEM-XXXXXXSUFFIX in the temporary folder (Linux:
  // $TMPDIR, else /tmp; Windows: %TEMP%), readable by its owner alone, for
  // another program to read once closed; it goes with Discard.
  bool CreateTemporary(const std::string &stem, const std::string &suffix, std::string *why);

  // The binary stream being written, which may be read back and sought in;
  // null before Create and after Close.
  std::FILE *Stream() const { return stream; }
  // Where the bytes go now: the temporary file.
  const std::string &WrittenPath() const { return written; }
  // Ends the file at `size` bytes and moves there; false with errno set.
  bool Truncate(int64_t size);
  // Flushes and closes the stream; a temporary file stays until Discard.
  bool Close(std::string *why);
  // Closes, then renames the temporary file over the path (or copies it into
  // the device or FIFO, and removes it): from then on nothing is removed.
  // False, with the file still temporary, on failure.
  bool Commit(std::string *why);
  // Closes the stream and removes the temporary file, unless committed.
  void Discard();

private:
  bool CreateIn(const std::string &folder, const std::string &stem, const std::string &suffix, bool ownerOnly,
                std::string *why);
  bool CopyToTarget(std::string *why);

  std::FILE *stream = nullptr;
  std::FILE *target = nullptr; // the device or FIFO that `path` names, if it does
  std::string path;            // as asked for
  std::string written;         // the temporary file
  int pending = -1;            // its entry among the files a stop removes
};

// Makes every stop remove the temporary files before the process ends, with
// 128 + the signal's number (Linux) or 130 (Ctrl+C), 149 (Ctrl+Break), 143
// (the console closed) on Windows. The first Create does it; a program that
// opens the display does it first, so that the display's handlers, which
// turn a stop into a window close, leave these to end the process where it
// dies of the stop. A signal that is ignored, or already handled, is left so.
void RemoveOutputsOnStop();

// The name a stop goes by in messages: "Ctrl+C" for SIGINT, on Windows
// "Ctrl+Break" for SIGBREAK, else the system's name of the signal.
const char *StopName(int signal);

// Proves that another program may write `path`: true when it can be made (and
// is removed again at once, never following a link to do so) or opened for
// writing as it is; nothing that was there is removed or changed. False
// with the reason in `*why` ("it is a folder", the system's words).
bool CheckOutputPath(const std::string &path, std::string *why);

// Writes `size` bytes to standard output as they are (binary on Windows,
// where text mode would put a CR before each LF); false with the reason.
bool WriteStandardOutput(const void *data, size_t size, std::string *why);
// True when standard output (or input) is a terminal.
bool StandardOutputIsTerminal();
bool StandardInputIsTerminal();

} // namespace platform
