// SPDX-License-Identifier: MIT
// The module's always-on debug log: every request, outcome and problem, each
// entry stamped with the milliseconds since the log was opened and its source line.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "build_stamp.h"
#include "platform/private_log.h"
#include "platform/windows.h"
#include "rar_internal.h"

namespace {
const char kLogDirectory[] = "zarvox";
const char kLogFile[] = "debug_unrar.txt";

// Set by debug_log_set_directory: tests and tools put the log elsewhere.
bool directoryOverridden = false;
char overrideDirectory[4096];

void close_log() {
  DebugLog &log = rar_state.log;
  if (log.opened)
    platform::CloseLogFolder(log.directoryFd);
  log.opened = false;
  log.directoryFd = -1;
}
} // namespace

bool debug_log_default_path(char *path, size_t size) {
  char directory[4096];
  if (!platform::StateFolder(kLogDirectory, directory, sizeof directory))
    return false;
  const int folder = platform::OpenLogFolder(directory);
  if (folder < 0)
    return false;
  platform::CloseLogFolder(folder);
  int n = snprintf(path, size, "%s/%s", directory, kLogFile);
  return n >= 0 && size_t(n) < size;
}

void debug_log_set_directory(const char *directory) {
  close_log();
  rar_state.log.firstCallDone = false;
  directoryOverridden = true;
  overrideDirectory[0] = '\0';
  if (directory != nullptr)
    snprintf(overrideDirectory, sizeof overrideDirectory, "%s", directory);
}

// Works out the place (unless a test chose one) and opens the log there.
void debug_log_open_default() {
  char directory[sizeof overrideDirectory];
  if (directoryOverridden) {
    if (overrideDirectory[0] == '\0')
      return;
    memcpy(directory, overrideDirectory, sizeof directory);
  } else if (!platform::StateFolder(kLogDirectory, directory, sizeof directory)) {
    return;
  }
  debug_log_open(directory);
}

void debug_log_open(const char *directory) {
  DebugLog &log = rar_state.log;
  close_log();
  log.startMs = GetTickCount();
  snprintf(log.path, sizeof log.path, "%s/%s", directory, kLogFile);
  const int folder = platform::OpenLogFolder(directory);
  if (folder < 0)
    return;
  const int fd = platform::OpenLogFile(folder, kLogFile, true);
  if (fd < 0) {
    platform::CloseLogFolder(folder);
    return;
  }
  log.directoryFd = folder;
  log.opened = true;
  dprintf(fd, "Debug log of Quorra's DORIzerOdi\n~^~~~~~~~~~~~~~~~~~~~~~~~~~~~~^~\n");
  // The build's time from the build system, not the compiler's clock, so
  // that two builds of one commit are the same bytes.
  dprintf(fd, "(executable compiled on %s at %s)\n\n", ZARVOX_BUILD_DATE, ZARVOX_BUILD_TIME);
  close(fd);
}

void debug_log_write(const char *message, const char *sourceFile, unsigned line) {
  DebugLog &log = rar_state.log;
  if (!log.opened)
    return;
  // Opened and closed for every entry, so the log survives a crash; always in
  // the folder checked when the log was opened, never found again by path.
  const int fd = platform::OpenLogFile(log.directoryFd, kLogFile, false);
  if (fd < 0)
    return;
  dprintf(fd, " %8u ms (line %u in %s):\n              - %s\n", unsigned(GetTickCount() - log.startMs), line,
          sourceFile, message);
  close(fd);
}

void debug_log_printf(const char *sourceFile, unsigned line, bool problem, const char *format, ...) {
  char message[500];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);
  if (problem)
    memcpy(rar_state.lastProblem, message, sizeof message);
  debug_log_write(message, sourceFile, line);
}

const char *rar_last_problem() {
  return rar_state.lastProblem;
}
