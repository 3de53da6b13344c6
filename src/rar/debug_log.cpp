// The module's always-on debug log: every request, outcome and problem, each
// entry stamped with the milliseconds since the log was opened and its source line.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel.h"
#include "rar/rar_internal.h"

namespace {
const char kLogDirectory[] = "zarvox";
const char kLogFile[] = "debug_unrar.txt";

// Set by debug_log_set_directory: tests and tools put the log elsewhere.
bool directoryOverridden = false;
char overrideDirectory[4096];

// Opens the log file without following a symbolic link planted in its place
// and without blocking on anything that is not a regular file.
FILE *open_log_file(const char *path, bool truncate) {
  int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (truncate ? O_TRUNC : O_APPEND);
  int fd = open(path, flags, 0600);
  if (fd < 0)
    return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE *file = fdopen(fd, truncate ? "w" : "a");
  if (file == nullptr)
    close(fd);
  return file;
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
} // namespace

bool debug_log_default_path(char *path, size_t size) {
  // The per-user state directory: $XDG_STATE_HOME when it is an absolute
  // path, else ~/.local/state. Never a shared directory such as /tmp.
  char directory[4096];
  const char *state = getenv("XDG_STATE_HOME");
  int n;
  if (state != nullptr && state[0] == '/') {
    n = snprintf(directory, sizeof directory, "%s/%s", state, kLogDirectory);
  } else {
    const char *home = getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const struct passwd *user = getpwuid(geteuid());
      home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/')
      return false;
    n = snprintf(directory, sizeof directory, "%s/.local/state/%s", home, kLogDirectory);
  }
  if (n < 0 || size_t(n) >= sizeof directory || !make_directories(directory))
    return false;
  // The program's own folder must be ours and closed to other users' writes.
  struct stat info;
  if (lstat(directory, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
      (info.st_mode & S_IWOTH) != 0)
    return false;
  n = snprintf(path, size, "%s/%s", directory, kLogFile);
  return n >= 0 && size_t(n) < size;
}

void debug_log_set_directory(const char *directory) {
  DebugLog &log = rar_state.log;
  log.opened = false;
  log.firstCallDone = false;
  directoryOverridden = true;
  overrideDirectory[0] = '\0';
  if (directory != nullptr)
    snprintf(overrideDirectory, sizeof overrideDirectory, "%s", directory);
}

// Works out the place (unless a test chose one) and opens the log there.
void debug_log_open_default() {
  char path[sizeof rar_state.log.path];
  if (directoryOverridden) {
    if (overrideDirectory[0] == '\0')
      return;
    int n = snprintf(path, sizeof path, "%s/%s", overrideDirectory, kLogFile);
    if (n < 0 || size_t(n) >= sizeof path)
      return;
  } else if (!debug_log_default_path(path, sizeof path)) {
    return;
  }
  debug_log_open(path);
}

void debug_log_open(const char *path) {
  DebugLog &log = rar_state.log;
  log.startMs = GetTickCount();
  snprintf(log.path, sizeof log.path, "%s", path);
  FILE *file = open_log_file(log.path, true);
  if (file == nullptr)
    return;
  log.opened = true;
  fputs("Debug log of Quorra's DORIzerOdi\n~^~~~~~~~~~~~~~~~~~~~~~~~~~~~~^~\n", file);
  fprintf(file, "(executable compiled on %s at %s)\n\n", __DATE__, __TIME__);
  fclose(file);
}

void debug_log_write(const char *message, const char *sourceFile, unsigned line) {
  DebugLog &log = rar_state.log;
  if (!log.opened)
    return;
  // Opened and closed for every entry, so the log survives a crash.
  FILE *file = open_log_file(log.path, false);
  if (file == nullptr)
    return;
  fprintf(file, " %8u ms (line %u in %s):\n              - %s\n", unsigned(GetTickCount() - log.startMs), line,
          sourceFile, message);
  fclose(file);
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
