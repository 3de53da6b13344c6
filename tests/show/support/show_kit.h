// SPDX-License-Identifier: MIT
// What the tests of the whole show share: scratch folders, the built
// programs and data file, running a program as a user would, the layout of
// the data file's blocks (to damage it on purpose), and pixel statistics.
#pragma once
#include "scratch_dir.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace showkit {

typedef std::vector<uint8_t> Bytes;

// ---- files ------------------------------------------------------------------
std::string BinaryDir();               // the build tree
std::string Program(const char *name); // a program of the build, in bin/
std::string DataFile();                // the show's data file made by the build
std::string MediaDir();                // the media it was packed from

using ::ScratchDir; // the test kit's temporary folder

bool ReadFile(const std::string &path, Bytes *data);
bool WriteFile(const std::string &path, const Bytes &data);
std::string ReadText(const std::string &path); // "" when missing
bool Exists(const std::string &path);
std::vector<std::string> ListDir(const std::string &path); // names, sorted

// ---- programs ---------------------------------------------------------------
struct RunOptions {
  std::string cwd;                 // "" keeps ours
  std::vector<std::string> setEnv; // "NAME=value"
  std::vector<std::string> unsetEnv;
  int timeoutSeconds = 120; // then killed (status 137)
};

struct RunResult {
  int status = -1; // exit status, or 128 + signal number
  bool timedOut = false;
  std::string out, err;
};

// Runs argv[0] (a path) to its end.
RunResult RunProgram(const std::vector<std::string> &argv, const RunOptions &options = RunOptions());

// A program left running while the test does other things.
class Child {
public:
  Child(const std::vector<std::string> &argv, const RunOptions &options);
  ~Child(); // kills it if still running
  bool Started() const { return pid > 0; }
  pid_t Pid() const { return pid; }
  bool Running();
  // Waits up to `seconds` for the end; false when it is still running.
  bool Wait(double seconds);
  int Status() const { return status; } // after Wait returned true
  void Kill(int signal = SIGKILL);
  std::string Err() const; // what it wrote to stderr so far
  std::string Out() const; // and to stdout

private:
  pid_t pid = -1;
  int status = -1;
  bool reaped = false;
  std::string outFile, errFile;
  ScratchDir files;
};

// ---- the data file's layout -------------------------------------------------
// One file entry of a RAR 2.x archive: where its block header and its packed
// data lie in the file.
struct EntryLayout {
  std::string name;
  size_t headerStart = 0, headerSize = 0;
  size_t nameStart = 0;
  size_t dataStart = 0, dataSize = 0;
};
// Walks the blocks of a well-formed archive; false when it is not one.
bool ArchiveLayout(const Bytes &archive, std::vector<EntryLayout> *entries);

// ---- pictures ---------------------------------------------------------------
struct Picture {
  int width = 0, height = 0;
  Bytes rgb; // top row first

  const uint8_t *At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
  // Share of pixels whose channels differ from each other by more than
  // `spread`: coloured rather than white, grey or black.
  double ShareColoured(int spread = 48) const;
  // Share of the pixels whose (r, g, b) passes `test`.
  double Share(bool (*test)(int r, int g, int b)) const;
  // Bounding box of the pixels further than `tolerance` from white; false
  // when there are none.
  bool NonWhiteBox(int *x0, int *y0, int *x1, int *y1, int tolerance = 24) const;
  // True when every pixel has the same colour (nothing drawn on it).
  bool Uniform() const;
};
bool ReadPng(const std::string &path, Picture *picture);

} // namespace showkit
