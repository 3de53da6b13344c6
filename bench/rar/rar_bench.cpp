// SPDX-License-Identifier: MIT
// Extraction speed of the RAR module against unar (Debian's extractor) on the
// same archive, and against gzip -dc of the same payload as the yardstick of
// a well-tuned LZ decoder. Prints MB/s and the ratios; not a test.
// Usage: rar_bench ARCHIVE ENTRY [PASSWORD] [--runs N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "rar/rar.h"
#include "scratch_dir.h"

extern char **environ;

namespace {
double clock_seconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double now() {
  return clock_seconds(CLOCK_MONOTONIC);
}

// One run: wall-clock and processor seconds (user and system). On a busy
// shared machine the processor time is the steadier figure.
struct Run {
  double wall = -1;
  double cpu = -1;
};

// Runs a program with stdout (and stderr) to /dev/null; its times, or -1
// when it could not run or failed.
Run run_program(const std::vector<std::string> &args, const char *stdoutPath = "/dev/null") {
  std::vector<char *> argv;
  for (const std::string &a : args)
    argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  double start = now();
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0)
    return Run{};
  int status = 0;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  double elapsed = now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return Run{};
  double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return Run{elapsed, cpu};
}

struct Timing {
  double best = -1;   // wall-clock seconds, best run
  double median = -1; // wall-clock seconds, median run
  double cpu = -1;    // processor seconds, best run
};

template <typename F> Timing measure(int runs, F once) {
  once(); // warm the caches and the page cache
  std::vector<double> walls, cpus;
  for (int i = 0; i < runs; i++) {
    Run r = once();
    if (r.wall < 0)
      return Timing{};
    walls.push_back(r.wall);
    cpus.push_back(r.cpu);
  }
  std::sort(walls.begin(), walls.end());
  std::sort(cpus.begin(), cpus.end());
  return Timing{walls.front(), walls[walls.size() / 2], cpus.front()};
}

void row(const char *what, const Timing &t, double bytes) {
  if (t.best < 0) {
    printf("  %-36s %10s\n", what, "(not run)");
    return;
  }
  printf("  %-36s %9.2f %9.2f %9.2f %9.1f %9.1f\n", what, t.best * 1e3, t.median * 1e3, t.cpu * 1e3,
         bytes / t.best / 1e6, bytes / t.cpu / 1e6);
}

void ratio(const char *what, const Timing &a, const Timing &b, const char *goal) {
  if (a.best > 0 && b.best > 0)
    printf("  %-36s %9.2f wall  %9.2f processor   (goal: %s)\n", what, a.best / b.best, a.cpu / b.cpu, goal);
}
} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> positional;
  int runs = 10;
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(1, atoi(argv[++i]));
    else
      positional.push_back(argv[i]);
  }
  if (positional.size() < 2 || positional.size() > 3) {
    fprintf(stderr, "usage: rar_bench ARCHIVE ENTRY [PASSWORD] [--runs N]\n");
    return 1;
  }
  const std::string archive = positional[0];
  const std::string entry = positional[1];
  const std::string password = positional.size() == 3 ? positional[2] : "";

  // Everything of this run (the module's log included) stays in a scratch folder.
  const ScratchDir scratchDir;
  if (scratchDir.Path().empty())
    return 1;
  const std::string &scratch = scratchDir.Path();
  setenv("XDG_STATE_HOME", (scratch + "/state").c_str(), 1);
  debug_log_set_directory(scratch.c_str());

  unsigned char *block = nullptr;
  uint32_t size = 0;
  if (rar_extract_to_memory(&block, &size, entry.c_str(), archive.c_str(),
                            password.empty() ? nullptr : password.c_str()) == 0) {
    fprintf(stderr, "rar_bench: the module cannot extract %s from %s\n", entry.c_str(), archive.c_str());
    return 1;
  }
  const std::string payload = scratch + "/payload";
  FILE *out = fopen(payload.c_str(), "wb");
  fwrite(block, 1, size, out);
  fclose(out);
  free(block);
  const double bytes = size;

  Timing inProcess = measure(runs, [&] {
    unsigned char *b = nullptr;
    uint32_t n = 0;
    double start = now();
    double cpuStart = clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
    int ok =
        rar_extract_to_memory(&b, &n, entry.c_str(), archive.c_str(), password.empty() ? nullptr : password.c_str());
    Run r{now() - start, clock_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart};
    free(b);
    return ok != 0 ? r : Run{};
  });

  std::string self = argv[0];
  std::string rarcat = self.substr(0, self.rfind('/') + 1) + "rarcat";
  std::vector<std::string> rarcatArgs = {rarcat, archive, entry};
  if (!password.empty())
    rarcatArgs.push_back(password);
  Timing rarcatTime = measure(runs, [&] { return run_program(rarcatArgs); });

  std::vector<std::string> unarArgs = {"unar", "-q", "-f", "-D", "-o", scratch + "/unar"};
  if (!password.empty()) {
    unarArgs.push_back("-p");
    unarArgs.push_back(password);
  }
  unarArgs.push_back(archive);
  unarArgs.push_back(entry);
  Timing unarTime = measure(runs, [&] { return run_program(unarArgs); });

  Timing gzipTime;
  if (run_program({"gzip", "-6", "-c", payload}, (payload + ".gz").c_str()).wall >= 0)
    gzipTime = measure(runs, [&] { return run_program({"gzip", "-dc", payload + ".gz"}); });

  printf("RAR extraction: %s / %s, %.0f bytes unpacked, best of %d runs\n", archive.c_str(), entry.c_str(), bytes,
         runs);
  printf("  %-36s %9s %9s %9s %9s %9s\n", "", "best ms", "median ms", "cpu ms", "MB/s", "MB/s cpu");
  row("our module, in process", inProcess, bytes);
  row("rarcat (our module, as a process)", rarcatTime, bytes);
  row("unar, the same entry to disk", unarTime, bytes);
  row("gzip -dc of the payload (-6)", gzipTime, bytes);
  printf("  ratios (best runs):\n");
  ratio("unar / rarcat", unarTime, rarcatTime, "at least 2");
  ratio("rarcat / gzip -dc", rarcatTime, gzipTime, "at most 1.5");
  ratio("module in process / gzip -dc", inProcess, gzipTime, "-");

  return 0;
}
