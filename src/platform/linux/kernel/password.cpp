// SPDX-License-Identifier: MIT
// A line typed at the terminal without echo, over termios.
#include "platform/password.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

// The terminal as it was, for a signal that ends the process mid-line; the
// signals' own actions are put back before they are raised again.
struct termios savedTerminal;
const int kInterrupts[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGTSTP};
struct sigaction savedActions[sizeof kInterrupts / sizeof kInterrupts[0]];

void PutBack() {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  for (size_t i = 0; i < sizeof kInterrupts / sizeof kInterrupts[0]; ++i)
    sigaction(kInterrupts[i], &savedActions[i], nullptr);
}

void OnInterrupt(int signal) {
  PutBack();
  raise(signal); // delivered with the action of before once this returns
}

} // namespace

bool ReadHiddenLine(const char *prompt, std::string *line) {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
    return false;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < sizeof kInterrupts / sizeof kInterrupts[0]; ++i)
    sigaction(kInterrupts[i], &action, &savedActions[i]);
  struct termios hidden = savedTerminal;
  hidden.c_lflag &= ~tcflag_t(ECHO);
  hidden.c_lflag |= ECHONL;
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  bool ok = tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden) == 0;
  line->clear();
  for (char c; ok;) {
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0 || c == '\n')
      break;
    line->push_back(c);
  }
  PutBack();
  return ok && !line->empty();
}

} // namespace platform
