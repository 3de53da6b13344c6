// SPDX-License-Identifier: MIT
// Signals: a request to stop (any signal whose default would end the
// process, sent from outside: SIGINT, SIGTERM, SIGHUP when the terminal
// closes, ...) becomes a close of the program's window, so that it ends in
// its usual order; a crash gives the desktop its display mode back (and ends
// the helper processes) before the process dies. Installed when the display
// is opened.
#include "kernel/output_stop.h"
#include "user/layer.h"

#include "platform/tap.h"

#include <csignal>
#include <pthread.h>
#include <unistd.h>

namespace platform {
namespace {

volatile sig_atomic_t closeRequested = 0; // a stop signal waits to become a close
volatile sig_atomic_t stopSignals = 0;    // stop signals received so far
volatile sig_atomic_t lastStopSignal = 0; // the latest of them
volatile sig_atomic_t restoring = 0;      // a handler is restoring the display

// The program's own faults: it cannot go on, only restore and die.
const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};
// Every other signal whose default action ends the process; the real-time
// ones (SIGRTMIN to SIGRTMAX) too.
const int kStopSignals[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGUSR1,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                            SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR};
struct sigaction previous[NSIG]; // what was installed before us, per signal

volatile sig_atomic_t dyingBy = 0; // the signal the process is dying by

// The restore hangs where the signal came inside a call on the display
// connection (its lock is held): die by the signal anyway, mode or not.
void GiveUpRestoring(int) {
  const int signal = dyingBy;
  sigaction(signal, &previous[signal], nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  _exit(128 + signal); // the previous action was to ignore it
}

// Not async-signal-safe: SDL talks to the display server. Worth the risk on
// the way out, since the alternative is a desktop left in the wrong mode.
void RestoreThenReraise(int signal) {
  if (!restoring) {
    restoring = 1;
    EndHelpers(); // the process is about to die: nothing it started stays behind
    dyingBy = signal;
    struct sigaction action = {};
    action.sa_handler = GiveUpRestoring;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(2);
    RestoreDisplayNow();
    alarm(0);
  }
  sigaction(signal, &previous[signal], nullptr);
  raise(signal); // delivered with the previous action once this handler returns
}

void OnStopSignal(int signal) {
  ++stopSignals;
  lastStopSignal = signal;
  if (stopSignals == 1 && liveTopWindowCount.load() > 0) {
    closeRequested = 1; // the next PeekMessageA closes the window
    return;
  }
  RestoreThenReraise(signal); // no window to close, or asked twice
}

void OnFatalSignal(int signal) {
  RestoreThenReraise(signal);
}

void Install(int signal, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK; // a stack overflow still reaches the handler where an alternate stack exists
  sigaction(signal, &action, &previous[signal]);
}

// A stop signal the program was started with ignored stays ignored (nohup),
// and one a library handles stays its own; but SIGINT, SIGQUIT and SIGTERM
// are always taken: a shell without job control starts background commands
// with the first two ignored, and a `kill -INT` is still meant to stop them.
// The layer's own output files' handler is taken over too, and kept as the
// one a second stop passes the signal on to.
void InstallStop(int signal) {
  struct sigaction current = {};
  if (sigaction(signal, nullptr, &current) != 0)
    return;
  const bool outputs = (current.sa_flags & SA_SIGINFO) == 0 && IsOutputStopHandler(current.sa_handler);
  if (current.sa_handler == SIG_DFL || outputs || signal == SIGINT || signal == SIGQUIT || signal == SIGTERM)
    Install(signal, OnStopSignal);
}

} // namespace

void InstallSignalHandlers() {
  static bool installed = false;
  if (installed)
    return;
  installed = true;
  for (int signal : kStopSignals)
    InstallStop(signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    InstallStop(signal);
  for (int signal : kFatalSignals)
    Install(signal, OnFatalSignal);
}

bool TakeCloseRequest() {
  if (!closeRequested)
    return false;
  closeRequested = 0;
  return true;
}

} // namespace platform

int PlatformStopSignal(void) {
  return platform::lastStopSignal;
}
