// The module's always-on debug log: every request, outcome and problem, each
// entry stamped with the milliseconds since the log was opened and its source line.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include "platform/windows.h"
#include "rar_internal.h"

namespace {
const char kLogDirectory[] = "zarvox";
const char kLogFile[] = "debug_unrar.txt";

// Set by debug_log_set_directory: tests and tools put the log elsewhere.
bool directoryOverridden = false;
char overrideDirectory[4096];

#ifdef _WIN32
// Windows: the folder (%LOCALAPPDATA%\zarvox, the user's own) is checked when
// the log is opened, and entries are appended to the log's path. The folder's
// "descriptor" is only a token that it was accepted: there is none to hold.
int open_log_directory(const char *directory) {
  struct _stat64 info;
  return _stat64(directory, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR ? 0 : -1;
}

int open_log_file(int, bool truncate) {
  return _open(rar_state.log.path, _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (truncate ? _O_TRUNC : _O_APPEND),
               _S_IREAD | _S_IWRITE);
}

void close_log_directory(int) {}

bool make_directories(char *path) {
  for (char *p = path + 1; *p != '\0'; p++) {
    if (*p != '/' && *p != '\\')
      continue;
    const char separator = *p;
    *p = '\0';
    bool ok = p[-1] == ':' || _mkdir(path) == 0 || errno == EEXIST;
    *p = separator;
    if (!ok)
      return false;
  }
  return _mkdir(path) == 0 || errno == EEXIST;
}

bool default_directory(char *directory, size_t size) {
  const char *local = getenv("LOCALAPPDATA");
  if (local == nullptr || local[0] == '\0')
    return false;
  const int n = snprintf(directory, size, "%s\\%s", local, kLogDirectory);
  return n >= 0 && size_t(n) < size && make_directories(directory);
}

// The C library has no dprintf here.
int dprintf(int fd, const char *format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return n < 0 ? n : _write(fd, text, unsigned(size_t(n) < sizeof text ? n : sizeof text - 1));
}
#else
// The log's folder, opened without following a symbolic link in its last
// step and kept only when it is this user's and nobody else may write in it.
// The log is reached through this descriptor alone from then on: a folder
// swapped for a link after the check cannot send entries elsewhere. -1 when
// refused.
int open_log_directory(const char *directory) {
  const int fd = open(directory, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
      (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Opens the log file in the held folder: never through a symbolic link,
// never blocking, and only a regular file of this user's with no second name
// (a hard link would carry the entries to a file elsewhere). It is left
// readable by its owner alone whatever its mode was, since entries name the
// archives asked for. Truncated only once all that holds.
int open_log_file(int directory, bool truncate) {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (truncate ? 0 : O_APPEND);
  const int fd = openat(directory, kLogFile, flags, 0600);
  if (fd < 0)
    return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() || info.st_nlink != 1 ||
      fchmod(fd, 0600) != 0 || (truncate && ftruncate(fd, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

void close_log_directory(int fd) {
  close(fd);
}

// mkdir -p with mode 0700 for the parts that are missing.
bool make_directories(char *path) {
  for (char *p = path + 1; *p != '\0'; p++) {
    if (*p != '/')
      continue;
    *p = '\0';
    bool ok = mkdir(path, 0700) == 0 || errno == EEXIST;
    *p = '/';
    if (!ok)
      return false;
  }
  return mkdir(path, 0700) == 0 || errno == EEXIST;
}

// The per-user state folder: $XDG_STATE_HOME/zarvox when XDG_STATE_HOME is an
// absolute path, else ~/.local/state/zarvox; never a shared folder such as
// /tmp. Made (mode 0700) when missing.
bool default_directory(char *directory, size_t size) {
  const char *state = getenv("XDG_STATE_HOME");
  int n;
  if (state != nullptr && state[0] == '/') {
    n = snprintf(directory, size, "%s/%s", state, kLogDirectory);
  } else {
    const char *home = getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const struct passwd *user = getpwuid(geteuid());
      home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/')
      return false;
    n = snprintf(directory, size, "%s/.local/state/%s", home, kLogDirectory);
  }
  return n >= 0 && size_t(n) < size && make_directories(directory);
}

#endif

void close_log() {
  DebugLog &log = rar_state.log;
  if (log.opened)
    close_log_directory(log.directoryFd);
  log.opened = false;
  log.directoryFd = -1;
}
} // namespace

bool debug_log_default_path(char *path, size_t size) {
  char directory[4096];
  if (!default_directory(directory, sizeof directory))
    return false;
  const int fd = open_log_directory(directory);
  if (fd < 0)
    return false;
  close_log_directory(fd);
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
  } else if (!default_directory(directory, sizeof directory)) {
    return;
  }
  debug_log_open(directory);
}

void debug_log_open(const char *directory) {
  DebugLog &log = rar_state.log;
  close_log();
  log.startMs = GetTickCount();
  snprintf(log.path, sizeof log.path, "%s/%s", directory, kLogFile);
  const int folder = open_log_directory(directory);
  if (folder < 0)
    return;
  const int fd = open_log_file(folder, true);
  if (fd < 0) {
    close_log_directory(folder);
    return;
  }
  log.directoryFd = folder;
  log.opened = true;
  dprintf(fd, "Debug log of Quorra's DORIzerOdi\n~^~~~~~~~~~~~~~~~~~~~~~~~~~~~~^~\n");
  dprintf(fd, "(executable compiled on %s at %s)\n\n", __DATE__, __TIME__);
  close(fd);
}

void debug_log_write(const char *message, const char *sourceFile, unsigned line) {
  DebugLog &log = rar_state.log;
  if (!log.opened)
    return;
  // Opened and closed for every entry, so the log survives a crash; always in
  // the folder checked when the log was opened, never found again by path.
  const int fd = open_log_file(log.directoryFd, false);
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
