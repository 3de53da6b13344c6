// Processes that libraries start for the program, and that would otherwise
// outlive it: with no session bus, GTK's settings and accessibility code
// launch one (dbus-launch starts a daemon that leaves its parent at once).
// The program adopts every such process and ends them all when it ends.
#include "user/layer.h"

#include "platform/session.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
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
  bool descendant;
};
Process processes[kMaxProcesses];
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

// The parent of `pid` from /proc/PID/stat ("pid (name) state parent ..."),
// -1 when it is gone or already a zombie (nothing left to end).
pid_t ParentOf(int proc, const char *pid) {
  char path[32];
  size_t length = 0;
  for (const char *c = pid; *c != '\0' && length < 20; ++c)
    path[length++] = *c;
  for (const char *c = "/stat"; *c != '\0'; ++c)
    path[length++] = *c;
  path[length] = '\0';
  const int fd = openat(proc, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return -1;
  char stat[512];
  const ssize_t got = read(fd, stat, sizeof stat - 1);
  close(fd);
  if (got <= 0)
    return -1;
  stat[got] = '\0';
  // The name may hold spaces and parentheses: the fields start after the last ')'.
  const char *fields = nullptr;
  for (const char *c = stat; *c != '\0'; ++c)
    if (*c == ')')
      fields = c;
  if (fields == nullptr || fields[1] != ' ' || fields[2] == '\0' || fields[2] == 'Z' || fields[3] != ' ')
    return -1;
  pid_t parent = 0;
  for (const char *c = fields + 4; *c >= '0' && *c <= '9'; ++c)
    parent = parent * 10 + (*c - '0');
  return parent;
}

// Sends `signal` to every live descendant of this process; the number sent.
int SignalDescendants(int signal) {
  const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (proc < 0)
    return 0;
  int count = 0;
  for (;;) {
    const ssize_t got = getdents64(proc, entries, sizeof entries);
    if (got <= 0)
      break;
    for (ssize_t at = 0; at < got;) {
      const dirent64 *entry = reinterpret_cast<const dirent64 *>(entries + at);
      at += entry->d_reclen;
      pid_t pid;
      if (count < kMaxProcesses && ParseNumber(entry->d_name, &pid)) {
        const pid_t parent = ParentOf(proc, entry->d_name);
        if (parent >= 0)
          processes[count++] = Process{pid, parent, false};
      }
    }
  }
  close(proc);
  // Children first, then their children, until no one more is found.
  const pid_t self = getpid();
  for (bool grew = true; grew;) {
    grew = false;
    for (int i = 0; i < count; ++i) {
      if (processes[i].descendant)
        continue;
      bool mine = processes[i].parent == self;
      for (int j = 0; j < count && !mine; ++j)
        mine = processes[j].descendant && processes[j].pid == processes[i].parent;
      if (mine)
        processes[i].descendant = grew = true;
    }
  }
  int sent = 0;
  for (int i = 0; i < count; ++i)
    if (processes[i].descendant && kill(processes[i].pid, signal) == 0)
      ++sent;
  return sent;
}

void ReapChildren() {
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
}

void EndHelpersAtExit() {
  EndHelpers();
}

} // namespace

void KeepHelpersWithProcess() {
  if (adopted || prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
    return;
  adopted = 1;
  std::atexit(EndHelpersAtExit);
}

void EndHelpers() {
  if (!adopted || ending)
    return;
  ending = 1;
  // Asked to go first; what is still there a moment later is killed.
  if (SignalDescendants(SIGTERM) > 0) {
    const timespec step = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 50; ++i) {
      ReapChildren();
      if (SignalDescendants(0) == 0)
        break;
      nanosleep(&step, nullptr);
    }
    SignalDescendants(SIGKILL);
    ReapChildren();
  }
  ending = 0;
}

} // namespace platform
