// SPDX-License-Identifier: MIT
// The command-line convention every program of the project keeps, so that
// scripts and people meet one behaviour:
//   --help     the usage on standard output, exit status 0
//   --version  the program's name and version on standard output, status 0
//   a usage error: one line on standard error, ending in "(try --help)",
//              exit status 2 (kExitUsage)
//   a failure at run time: exit status 1 (kExitFailure)
// Options come before a "--" argument; after it every argument is a name,
// even one that starts with '-'. Not a Win32 call; no SDL.
#pragma once
#include <string>
#include <vector>

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Makes `*argv` the program's arguments in UTF-8, the layer's encoding of
// names on every system: on Windows read again from the wide-character
// command line (the C runtime's argv is in the ANSI code page, which cannot
// hold every name); elsewhere left as given. For main() to call first; the
// strings live as long as the program.
void PlatformUtf8Arguments(int *argc, char ***argv);

// The project's version, with the commit it was built from where the build
// knew it: "1.0 (commit 0123456789ab)".
const char *PlatformVersion();

// Answers --help (and -h) or --version when one of them stands among the
// options (the arguments before a "--"): prints `usage`, or "PROGRAM
// VERSION", to standard output and returns the exit status (0, or 1 when
// standard output could not be written). -1 when neither was asked for.
// Every program calls it first; it also makes the exit check below.
int PlatformAnswerHelpOrVersion(int argc, char *const *argv, const char *program, const char *usage);

// From this call on, the end of the process (main's return or exit()) closes
// standard output, and where anything written to it did not get there (a
// full disk, a closed pipe or descriptor) says "PROGRAM: cannot write to
// standard output: REASON" on standard error and ends with status 1 instead.
// `program` is kept, not copied (a literal, or part of argv), and is also
// the name PlatformProgramName gives.
void PlatformCheckStandardOutputAtExit(const char *program);

// Flushes standard output; false when anything written to it so far failed
// (the reason is kept for the message at exit).
bool PlatformFlushStandardOutput();

// The program's name as its messages begin, once the exit check is made.
const char *PlatformProgramName();

// Prints "PROGRAM: MESSAGE (try --help)" to standard error; returns kExitUsage.
int PlatformUsageError(const char *program, const std::string &message);

// For programs with no options beyond --help and --version: the arguments
// that are names (every one after a "--"). False, with the usage error
// printed, when another option is given.
bool PlatformTakeNames(int argc, char *const *argv, const char *program, std::vector<std::string> *names);
