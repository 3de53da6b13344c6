// SPDX-License-Identifier: MIT
// Output files over POSIX: temporary files made exclusively in a folder held
// by its descriptor (a folder renamed on the way cannot move them away from
// their place), and the signal handlers that remove them.
#include "common/output_file.h"

#include "output_stop.h"
#include "platform/output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The temporary files a stop removes. A handler may run on any thread at
// any moment: it reads only entries marked live, each filled before it is
// marked and unmarked only once its file is gone or renamed.
enum : int { kFree, kTaken, kLive };
struct Pending {
  std::atomic<int> state{kFree};
  int folder = -1;
  char name[256];
};
static_assert(std::atomic<int>::is_always_lock_free, "read in signal handlers");
Pending pendingFiles[64]; // enough for a capture's frames written on 32 threads

// Signals wait while this thread changes the entries (a single-threaded
// tool's are then never seen half made).
class SignalsHeld {
public:
  SignalsHeld() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &saved);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved, nullptr); }

private:
  sigset_t saved;
};

// Signals whose default is a crash, with a core dump to keep.
bool IsCrash(int signal) {
  return signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL || signal == SIGABRT ||
         signal == SIGTRAP || signal == SIGSYS;
}

// Signals that end a process by default: all but those that stop, continue
// or are ignored, and SIGKILL, which cannot be caught.
bool EndsProcess(int signal) {
  return signal != SIGKILL && signal != SIGSTOP && signal != SIGTSTP && signal != SIGTTIN && signal != SIGTTOU &&
         signal != SIGCONT && signal != SIGCHLD && signal != SIGURG && signal != SIGWINCH;
}

void OnStop(int signal) {
  RemovePendingFiles();
  if (IsCrash(signal)) {
    // Dies of it once this returns: as it would have, core dump and all.
    std::signal(signal, SIG_DFL);
    raise(signal);
    return;
  }
  _exit(128 + signal);
}

} // namespace

void RemovePendingFiles() {
  for (Pending &file : pendingFiles)
    if (file.state.load() == kLive)
      unlinkat(file.folder, file.name, 0);
}

void RemoveOutputsOnStop() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true))
    return;
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction current;
    // glibc keeps two real-time signals for itself: sigaction refuses them.
    if (!EndsProcess(signal) || sigaction(signal, nullptr, &current) != 0)
      continue;
    // nohup's ignored SIGHUP stays ignored; a handler of someone else's
    // (the display's) stays, and passes the signal on to this one where the
    // process dies of it, if this one was there first.
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL)
      continue;
    struct sigaction action = {};
    action.sa_handler = OnStop;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK;
    sigaction(signal, &action, nullptr);
  }
}

const char *StopName(int signal) {
  return signal == SIGINT ? "Ctrl+C" : strsignal(signal);
}

bool IsOutputStopHandler(void (*handler)(int)) {
  return handler == OnStop;
}

OutputTarget OutputTargetOf(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0)
    return OutputTarget::kNothing;
  return S_ISREG(info.st_mode)   ? OutputTarget::kRegular
         : S_ISDIR(info.st_mode) ? OutputTarget::kFolder
                                 : OutputTarget::kOther;
}

std::FILE *OpenOutputDirectly(const std::string &path, std::string *why) {
  const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  std::FILE *stream = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (stream == nullptr) {
    *why = std::strerror(errno);
    if (fd >= 0)
      close(fd);
  }
  return stream;
}

int CreatePendingFile(const std::string &folder, const std::string &name, bool ownerOnly, std::FILE **stream,
                      bool *taken, std::string *why) {
  *taken = false;
  if (name.size() >= sizeof pendingFiles[0].name) {
    *why = std::strerror(ENAMETOOLONG);
    return -1;
  }
  const int folderFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) {
    *why = std::strerror(errno);
    return -1;
  }
  RemoveOutputsOnStop();
  SignalsHeld held;
  int entry = 0;
  for (int expected = kFree; entry < int(sizeof pendingFiles / sizeof pendingFiles[0]); ++entry, expected = kFree)
    if (pendingFiles[entry].state.compare_exchange_strong(expected, kTaken))
      break;
  if (entry == int(sizeof pendingFiles / sizeof pendingFiles[0])) {
    close(folderFd);
    *why = "too many files written at once";
    return -1;
  }
  Pending &file = pendingFiles[entry];
  // 0666 less the umask, as the file itself would be made.
  const int fd = openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0666);
  if (fd < 0) {
    *taken = errno == EEXIST;
    *why = std::strerror(errno);
    close(folderFd);
    file.state.store(kFree);
    return -1;
  }
  std::memcpy(file.name, name.c_str(), name.size() + 1);
  file.folder = folderFd;
  file.state.store(kLive);
  *stream = fdopen(fd, "w+b");
  if (*stream == nullptr) {
    *why = std::strerror(errno);
    close(fd);
    RemovePendingFile(entry);
    return -1;
  }
  return entry;
}

bool RenamePendingFile(int entry, const std::string &, const std::string &name, std::string *why) {
  Pending &file = pendingFiles[entry];
  SignalsHeld held;
  if (renameat(file.folder, file.name, file.folder, name.c_str()) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  // Renamed: a handler that still read it live finds the name gone.
  file.state.store(kTaken);
  close(file.folder);
  file.folder = -1;
  file.state.store(kFree);
  return true;
}

void RemovePendingFile(int entry) {
  Pending &file = pendingFiles[entry];
  SignalsHeld held;
  unlinkat(file.folder, file.name, 0);
  file.state.store(kTaken);
  close(file.folder);
  file.folder = -1;
  file.state.store(kFree);
}

std::string TemporaryFolder() {
  const char *tmp = std::getenv("TMPDIR");
  std::string folder = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
  return folder.back() == '/' ? folder : folder + "/";
}

bool TruncateFile(std::FILE *stream, int64_t size) {
  return ftruncate(fileno(stream), off_t(size)) == 0;
}

uint64_t NameSeed() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return uint64_t(getpid()) * 0x9E3779B97F4A7C15ull ^ uint64_t(now.tv_sec) * 1000000007ull ^ uint64_t(now.tv_nsec);
}

bool CheckOutputPath(const std::string &path, std::string *why) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      *why = std::strerror(errno);
      return false;
    }
    // Nothing there: made only as a new file (never through a link), then
    // removed, since it was this process's.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      *why = std::strerror(errno);
      return false;
    }
    close(fd);
    unlink(path.c_str());
    return true;
  }
  if (stat(path.c_str(), &info) != 0)
    return true; // a link to a file yet to be made: the writer makes it
  if (S_ISDIR(info.st_mode)) {
    *why = "it is a folder";
    return false;
  }
  // Without waiting: a FIFO with nobody reading would hold the caller here.
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  close(fd);
  return true;
}

long WriteSome(int fd, const void *data, size_t size) {
  ssize_t n;
  while ((n = write(fd, data, size)) < 0 && errno == EINTR) {
  }
  return long(n);
}

bool WriteStandardOutput(const void *data, size_t size, std::string *why) {
  return WriteAll(STDOUT_FILENO, data, size, why);
}

bool StandardOutputIsTerminal() {
  return isatty(STDOUT_FILENO) != 0;
}

bool StandardInputIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}

} // namespace platform
