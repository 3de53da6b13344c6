// SPDX-License-Identifier: MIT
// Child processes over posix_spawn, fed through a pipe.
#include "platform/child_process.h"
#include "common/output_file.h"
#include "common/search_path.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace platform {

std::string FindOnPath(const std::string &program) {
  const char *path = std::getenv("PATH");
  if (path == nullptr)
    return std::string();
  for (const std::string &folder : SearchFolders(path, ':')) {
    const std::string candidate = folder + "/" + program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return std::string();
}

std::string HowToGetProgram(const std::string &program) {
  return "Debian: apt-get install " + program;
}

ChildProcess::~ChildProcess() {
  std::string ignored;
  Finish(&ignored);
}

bool ChildProcess::Start(const std::vector<std::string> &arguments, std::string *why) {
  // A pipe whose reader died must give an error, not end this process.
  std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *why = "cannot make a pipe to " + arguments[0] + ": " + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  std::vector<std::string> copies = arguments;
  std::vector<char *> argv;
  for (std::string &argument : copies)
    argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[0]);
  if (spawned != 0) {
    close(fds[1]);
    *why = "cannot start " + arguments[0] + ": " + std::strerror(spawned);
    return false;
  }
  process = child;
  input = fds[1];
  return true;
}

bool ChildProcess::Finish(std::string *why) {
  if (input >= 0)
    close(input);
  input = -1;
  if (process <= 0)
    return true;
  int status = 0;
  while (waitpid(pid_t(process), &status, 0) < 0 && errno == EINTR) {
  }
  process = 0;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
    return true;
  *why = WIFEXITED(status) ? "failed with exit status " + std::to_string(WEXITSTATUS(status))
                           : "was killed by signal " + std::to_string(WTERMSIG(status));
  return false;
}

} // namespace platform
