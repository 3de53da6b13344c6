// SPDX-License-Identifier: MIT
// Programs a tool starts and feeds: ffmpeg, which encodes the capture's
// frames. Arguments are UTF-8 (on Windows passed on as wide characters and
// quoted as the C runtime splits them), so any name reaches the program as
// given. Not a Win32 call; no SDL.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The full path of `program` (Windows: PROGRAM.exe) in the first folder on
// PATH that has it as a file this user may run; "" when none has.
std::string FindOnPath(const std::string &program);

// How a user gets a program that is not on PATH, for messages:
// "Debian: apt-get install ffmpeg", "put ffmpeg.exe into a folder on PATH".
std::string HowToGetProgram(const std::string &program);

class ChildProcess {
public:
  ChildProcess() = default;
  ~ChildProcess(); // Finish, unless done
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  // Starts `arguments` (the program's full path first) in a process group of
  // its own, so that Ctrl+C at the terminal stops this process alone, which
  // then ends the child's input and lets it finish; its standard input is a
  // pipe from here, its output and errors are this process's. A child that
  // stops reading makes Write fail, never ends this process. False, with one
  // line in `*why` ("cannot start PROGRAM: ..."), when it cannot start.
  bool Start(const std::vector<std::string> &arguments, std::string *why);
  // Writes all of `data` to the child's input; false with the reason when
  // the child no longer takes it. One thread at a time.
  bool Write(const void *data, size_t size, std::string *why);
  // Closes the child's input and waits for its end. True when it exited
  // with status 0; else false and `*why` completes "PROGRAM ...": "failed
  // with exit status 3", "was killed by signal 9".
  bool Finish(std::string *why);

private:
  intptr_t process = 0; // Linux: its process id; Windows: its handle
  int input = -1;       // the write end of its standard input
};

} // namespace platform
