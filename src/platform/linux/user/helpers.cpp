// SPDX-License-Identifier: MIT
// Processes that libraries start for the program, and that would otherwise
// outlive it: with no session bus, GTK's settings and accessibility code
// launch one (dbus-launch starts a daemon that leaves its parent at once).
// The program adopts every such process and ends them all when it ends.
// Processes that were already its children when it started (a shell's
// `sleep 300 & exec zarvox` leaves the sleep to it) are someone else's, and
// so is everything below them.
#include "user/layer.h"

#include "platform/session.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

volatile sig_atomic_t adopted = 0; // this process is the subreaper of its descendants
volatile sig_atomic_t ending = 0;  // EndHelpers is running (a signal during the exit path)

// Everything below runs in signal handlers too: system calls and static
// storage only, no allocation, no stdio.
constexpr int kMaxProcesses = 8192;
struct Process {
  pid_t pid;
  pid_t parent;
  unsigned long long start; // clock ticks after boot: with the pid, one process for ever
  bool ended;               // a zombie: nothing left to end, only to collect
  bool ours;
};
Process processes[kMaxProcesses];
constexpr int kMaxForeign = 1024;
Process foreign[kMaxForeign]; // descendants already there when the program adopted its helpers
int foreignCount = 0;
char entries[8192]; // directory entries of /proc as getdents64 gives them

bool ParseNumber(const char *text, pid_t *value) {
  pid_t n = 0;
  if (*text == '\0')
    return false;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9')
      return false;
    n = n * 10 + (*text - '0');
  }
  *value = n;
  return true;
}

// The parent and start time of `pid` from /proc/PID/stat ("pid (name) state
// parent ... start ..."), and whether it is a zombie; false when it is gone.
bool ReadStat(int proc, pid_t pid, pid_t *parent, unsigned long long *start, bool *ended) {
  char path[32];
  char digits[16];
  int count = 0;
  for (pid_t n = pid; count == 0 || n > 0; n /= 10)
    digits[count++] = char('0' + n % 10);
  size_t length = 0;
  while (count > 0)
    path[length++] = digits[--count];
  for (const char *c = "/stat"; *c != '\0'; ++c)
    path[length++] = *c;
  path[length] = '\0';
  const int fd = openat(proc, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  char stat[1024];
  const ssize_t got = read(fd, stat, sizeof stat - 1);
  close(fd);
  if (got <= 0)
    return false;
  stat[got] = '\0';
  // The name may hold spaces and parentheses: the fields start after the last ')'.
  const char *fields = nullptr;
  for (const char *c = stat; *c != '\0'; ++c)
    if (*c == ')')
      fields = c;
  if (fields == nullptr || fields[1] != ' ' || fields[2] == '\0' || fields[3] != ' ')
    return false;
  *ended = fields[2] == 'Z';
  // Field 4 is the parent, field 22 the start time.
  unsigned long long values[2] = {0, 0};
  int field = 4;
  for (const char *c = fields + 4; *c != '\0' && field <= 22; ++c) {
    if (*c == ' ') {
      ++field;
    } else if (field == 4 || field == 22) {
      values[field == 22] = values[field == 22] * 10 + unsigned(*c - '0');
    }
  }
  if (field <= 22)
    return false;
  *parent = pid_t(values[0]);
  *start = values[1];
  return true;
}

// Reads every process into processes[] (zombies marked as ended) and marks
// this process's descendants as ours, but not those that were already there
// when the program adopted its helpers, nor anything below them. Returns the
// count read.
int FindHelpers(int proc) {
  int count = 0;
  if (lseek(proc, 0, SEEK_SET) != 0)
    return 0;
  for (;;) {
    const ssize_t got = getdents64(proc, entries, sizeof entries);
    if (got <= 0)
      break;
    for (ssize_t at = 0; at < got;) {
      const dirent64 *entry = reinterpret_cast<const dirent64 *>(entries + at);
      at += entry->d_reclen;
      Process process = {0, 0, 0, false, false};
      if (count < kMaxProcesses && ParseNumber(entry->d_name, &process.pid) &&
          ReadStat(proc, process.pid, &process.parent, &process.start, &process.ended))
        processes[count++] = process;
    }
  }
  const pid_t self = getpid();
  for (bool grew = true; grew;) {
    grew = false;
    for (int i = 0; i < count; ++i) {
      if (processes[i].ours)
        continue;
      bool mine = processes[i].parent == self;
      for (int j = 0; j < count && !mine; ++j)
        mine = processes[j].ours && processes[j].pid == processes[i].parent;
      for (int j = 0; j < foreignCount && mine; ++j)
        mine = foreign[j].pid != processes[i].pid || foreign[j].start != processes[i].start;
      if (mine)
        processes[i].ours = grew = true;
    }
  }
  return count;
}

// Sends `signal` to `process` if it is still the process that was seen: its
// pid may have been freed and taken by another since, so the check is made
// again through a handle that holds on to the one process (on kernels
// without such handles, right before the signal).
bool SignalIfStillThere(int proc, const Process &process, int signal) {
  const int handle = int(syscall(SYS_pidfd_open, process.pid, 0));
  if (handle < 0 && errno != ENOSYS)
    return false;
  pid_t parent = 0;
  unsigned long long start = 0;
  bool ended = false;
  bool sent = ReadStat(proc, process.pid, &parent, &start, &ended) && start == process.start && !ended;
  if (sent)
    sent =
        handle >= 0 ? syscall(SYS_pidfd_send_signal, handle, signal, nullptr, 0) == 0 : kill(process.pid, signal) == 0;
  if (handle >= 0)
    close(handle);
  return sent;
}

// Sends `signal` to every live helper; the number sent. *count: how many
// processes were looked at.
int SignalHelpers(int signal, int *count) {
  *count = 0;
  const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (proc < 0)
    return 0;
  *count = FindHelpers(proc);
  int sent = 0;
  for (int i = 0; i < *count; ++i)
    if (processes[i].ours && !processes[i].ended && SignalIfStillThere(proc, processes[i], signal))
      ++sent;
  close(proc);
  return sent;
}

// Collects the helpers that ended as this process's children; a child of
// someone else's stays for its own waiter.
void ReapHelpers(int count) {
  for (int i = 0; i < count; ++i)
    if (processes[i].ours && processes[i].ended && processes[i].parent == getpid())
      waitpid(processes[i].pid, nullptr, WNOHANG);
}

void EndHelpersAtExit() {
  EndHelpers();
}

} // namespace

void KeepHelpersWithProcess() {
  if (adopted)
    return;
  // What is already below this process was not started by its libraries.
  const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (proc >= 0) {
    const int count = FindHelpers(proc);
    for (int i = 0; i < count && foreignCount < kMaxForeign; ++i)
      if (processes[i].ours)
        foreign[foreignCount++] = processes[i];
    close(proc);
  }
  if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
    return;
  adopted = 1;
  std::atexit(EndHelpersAtExit);
}

void EndHelpers() {
  if (!adopted || ending)
    return;
  ending = 1;
  // Asked to go first; what is still there a moment later is killed.
  int count = 0;
  if (SignalHelpers(SIGTERM, &count) > 0) {
    const timespec step = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 50; ++i) {
      ReapHelpers(count);
      if (SignalHelpers(0, &count) == 0)
        break;
      nanosleep(&step, nullptr);
    }
    SignalHelpers(SIGKILL, &count);
    ReapHelpers(count);
  }
  ending = 0;
}

} // namespace platform
