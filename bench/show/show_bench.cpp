// SPDX-License-Identifier: MIT
// Prints what the whole show costs, against its goals:
//   startup  from the Start click (the setup dialog's end) to the first
//            swapped frame, against unar extracting the same three files from
//            the same archive to disk (goal: at most half of unar's time);
//   capture  show seconds rendered per wall-clock second by the capture at
//            640 x 480, 60 fps, frames read back, no encoder (goal: 4x or more);
//   memory   peak resident memory of a full run above what the process holds
//            right before Setup, the dialog shown (goal: under 64 MiB);
//   pacing   a full run in a 640 x 480 window on the real clock, paced (60)
//            and not: frames per show second of each effect (goal 60 +- 0.5
//            where it renders faster unpaced), p50/p99 frame interval (goal
//            16.7 +- 1 ms p99 where a frame renders in under 15 ms), drift
//            of the frames against their slots over the run (goal < 20 ms);
//   encode   zarvox-capture as users run it: PNG frames at 640 x 480 (goal 4x
//            real time) and .mp4 at 1920 x 1080 against ffmpeg alone encoding
//            the same frames with the same settings (goal: within 1.3x).
//
//   show_bench [startup|capture|memory|pacing|encode|all] [--data FILE] [--runs N] [--fps N] [--size WxH]
//              [--seconds N] [--smoke]
//
// --seconds shortens the pacing runs (3 to 128 s of show).
//
// --smoke checks that the benchmark runs: one start-up, the first two show
// seconds of the capture, three of pacing, small encodes, no memory run; its
// figures mean nothing. encode needs a screen of 1920 x 1080 or more
// (tests/support/with-xvfb --size 2048x1536x24).
//
// Needs a display (llvmpipe under Xvfb is what the goals are set for). Each
// start-up and the memory run happen in a fresh process of their own.
#include "capture.h"

#include "app/demo.h"
#include "app/main_window.h"
#include "effects/show_timeline.h"
#include "gl/gl_context.h"
#include "platform/fsound.h"
#include "platform/session.h"
#include "platform/tap_linux.h"
#include "rar/rar.h"
#include "scratch_dir.h"
#include "setup/setup_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

const char *const kMedia[] = {"krel.png", "spheremap.png", "zarvox.mp3"};

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs `work` in a child process that writes one line of numbers back.
std::vector<double> InChild(std::vector<double> (*work)(void *), void *user) {
  int fds[2];
  if (pipe(fds) != 0)
    return {};
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const std::vector<double> values = work(user);
    std::string line;
    for (double v : values)
      line += std::to_string(v) + " ";
    line += "\n";
    if (write(fds[1], line.data(), line.size()) < 0) {
    }
    close(fds[1]);
    std::fflush(nullptr);
    _exit(values.empty() ? 1 : 0);
  }
  close(fds[1]);
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    text.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  std::vector<double> values;
  char *p = &text[0];
  for (;;) {
    char *end = nullptr;
    const double v = std::strtod(p, &end);
    if (end == p)
      break;
    values.push_back(v);
    p = end;
  }
  return values;
}

int64_t ProcKilobytes(const char *field) {
  FILE *file = std::fopen("/proc/self/status", "r");
  if (file == nullptr)
    return -1;
  char line[256];
  int64_t value = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, file) != nullptr)
    if (std::strncmp(line, field, n) == 0 && line[n] == ':')
      value = std::atoll(line + n + 1);
  std::fclose(file);
  return value;
}

// ---- the Start click ----------------------------------------------------------

// The real program shows the setup dialog before anything else, and its
// toolkit loads the libraries it needs (the GL driver among them) while the
// viewer chooses. So that start-up and memory are measured from where the
// real program stands at the Start click, the bench shows the same dialog
// and presses Start as soon as it is on the screen.
void PressStart(void *, HWND dialog) {
  PlatformDialogPressKey(dialog, VK_RETURN);
}

bool OpenDisplay() {
  std::string why;
  const bool open = platform::OpenDisplay(&why);
  if (!open)
    std::fprintf(stderr, "show_bench: %s\n", why.c_str());
  return open;
}

bool ShowDialogAndStart() {
  PlatformSetDialogHook(PressStart, nullptr);
  const INT_PTR chosen = DialogBoxParamA(nullptr, MAKEINTRESOURCE(IDD_SETUP), nullptr, SetupDialog, 0);
  PlatformSetDialogHook(nullptr, nullptr);
  if (chosen != 1)
    std::fprintf(stderr, "show_bench: the setup dialog did not start the show\n");
  return chosen == 1;
}

// ---- start-up -----------------------------------------------------------------

struct StartupRun {
  int swapsBefore = 0;
  int idleCalls = 0;
  double firstSwap = 0; // when the pass with the first swap was over
};
StartupRun startupRun;

void StartupIdle(void *) {
  // The first idle call comes right before the first frame; any later one
  // after a finished pass.
  if (++startupRun.idleCalls > 1 && startupRun.firstSwap == 0 &&
      PlatformGetCallCounts().swapBuffers > uint64_t(startupRun.swapsBefore)) {
    startupRun.firstSwap = Now();
    PostQuitMessage(0);
  }
}

// One start-up, as WinMain does it after the dialog: seconds to the end of
// Setup and to the first swapped frame.
std::vector<double> MeasureStartup(void *) {
  if (!OpenDisplay() || !ShowDialogAndStart())
    return {};
  PlatformSetSwapInterval(0);
  PlatformSetSoundPull(true); // the stream opens and decodes; no device plays it
  startupRun = StartupRun();
  startupRun.swapsBefore = int(PlatformGetCallCounts().swapBuffers);
  std::vector<double> result;
  {
    const double start = Now();
    Demo demo(nullptr, show::kShowSeconds);
    demo.Setup(VideoMode{640, 480, 32, 60}, SoundSetup{0, FSOUND_OUTPUT_DSOUND, 44100}, false);
    const double setUp = Now();
    PlatformSetIdleHook(StartupIdle, nullptr);
    demo.Run();
    PlatformSetIdleHook(nullptr, nullptr);
    if (startupRun.firstSwap > 0)
      result = {setUp - start, startupRun.firstSwap - start};
  }
  platform::Shutdown();
  return result;
}

void ResetPeakMemory() {
  // 5 resets the high-water mark of the resident set.
  if (FILE *clear = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", clear);
    std::fclose(clear);
  }
}

// The floor under the show's start-up: a window of the same size with the
// same GL context, cleared and swapped once, and no media. Seconds to the
// swap, resident KiB before, peak KiB after.
std::vector<double> MeasureBareWindow(void *) {
  if (!OpenDisplay() || !ShowDialogAndStart())
    return {};
  PlatformSetSwapInterval(0);
  const double before = double(ProcKilobytes("VmRSS"));
  ResetPeakMemory();
  const double start = Now();
  MainWindow window;
  window.mode = VideoMode{640, 480, 32, 60};
  window.SetDisplayMode(false);
  window.Create(CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr);
  GLContext context;
  if (!context.Create(window.handle, 32, 24, 0))
    return {};
  context.SetDefaultState();
  context.SetViewport(0, 0, 640, 480, true);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SwapBuffers(context.deviceContext);
  const double swapped = Now() - start;
  return {swapped, before, double(ProcKilobytes("VmHWM"))};
}

// The three files extracted by our module alone, in memory.
std::vector<double> MeasureExtraction(void *) {
  const double start = Now();
  for (const char *name : kMedia) {
    unsigned char *block = nullptr;
    uint32_t size = 0;
    if (!rar_extract_to_memory(&block, &size, name, "zarvox.dat", "tarsk"))
      return {};
    std::free(block);
  }
  return {Now() - start};
}

// Seconds `argv` takes to run to a successful end, or -1.
double TimeProgram(std::vector<std::string> argv) {
  std::vector<char *> args;
  for (std::string &arg : argv)
    args.push_back(&arg[0]);
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const double start = Now();
  pid_t child = -1;
  const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return -1;
  int status = 0;
  waitpid(child, &status, 0);
  const double spent = Now() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? spent : -1;
}

// unar extracting the same three files to disk; seconds, or -1.
double TimeUnar(const std::string &folder) {
  std::vector<std::string> args = {"unar", "-q", "-f", "-D", "-p", "tarsk", "-o", folder, "zarvox.dat"};
  for (const char *name : kMedia)
    args.push_back(name);
  return TimeProgram(args);
}

int Startup(int runs) {
  std::vector<double> setups, firsts, extractions, unars, bares;
  const ScratchDir folder;
  if (folder.Path().empty()) {
    std::perror("show_bench: scratch folder");
    return 1;
  }
  for (int i = 0; i < runs; ++i) {
    const std::vector<double> startup = InChild(MeasureStartup, nullptr);
    if (startup.size() != 2) {
      std::fprintf(stderr, "show_bench: start-up run %d drew no frame\n", i + 1);
      return 1;
    }
    setups.push_back(startup[0]);
    firsts.push_back(startup[1]);
    const std::vector<double> bare = InChild(MeasureBareWindow, nullptr);
    if (bare.size() == 3)
      bares.push_back(bare[0]);
    const std::vector<double> extraction = InChild(MeasureExtraction, nullptr);
    if (extraction.size() == 1)
      extractions.push_back(extraction[0]);
    const double unar = TimeUnar(folder.Path());
    if (unar >= 0)
      unars.push_back(unar);
  }
  const double first = Median(firsts);
  std::printf("start-up (median of %d fresh processes, from the dialog's Start, 640x480 windowed)\n", runs);
  std::printf("  Demo built and set up:          %8.1f ms\n", Median(setups) * 1000);
  std::printf("  first frame swapped:            %8.1f ms\n", first * 1000);
  std::printf("  of which a bare window and GL context to its first swap: %.1f ms\n", Median(bares) * 1000);
  std::printf("  our extraction of the 3 files:  %8.1f ms (in memory, fresh process)\n", Median(extractions) * 1000);
  if (unars.empty()) {
    std::printf("  unar:                           not available (apt-get install unar)\n");
  } else {
    const double unar = Median(unars);
    std::printf("  unar, same 3 files to disk:     %8.1f ms\n", unar * 1000);
    std::printf("  start-up / unar:                %8.2f   (goal: 0.50 or less) %s\n", first / unar,
                first / unar <= 0.5 ? "met" : "NOT MET");
    const double own = first - Median(bares);
    std::printf("  start-up less the bare window / unar: %.2f\n", own / unar);
    std::printf("  our extraction / unar:          %8.2f\n", Median(extractions) / unar);
  }
  return 0;
}

// ---- capture speed ------------------------------------------------------------

class CountingSink : public capture::FrameSink {
public:
  bool Frame(int64_t, const uint8_t *rgba, int, int, bool) override {
    checksum += rgba[0];
    ++frames;
    return true;
  }
  int64_t frames = 0;
  uint64_t checksum = 0; // keeps the read-back pixels observed
};

// Notes when the first frame is done: what came before was set-up.
class FirstFrameClock : public capture::Progress {
public:
  void Rendered(int64_t, int64_t) override {
    if (firstFrame == 0)
      firstFrame = Now();
  }
  double firstFrame = 0;
};

int CaptureSpeed(int fps, int width, int height, int64_t toMs) {
  if (!OpenDisplay())
    return 1;
  capture::Options options;
  options.fps = fps;
  options.width = width;
  options.height = height;
  options.toMs = toMs;
  CountingSink sink;
  FirstFrameClock clock;
  const double start = Now();
  const capture::Result result = capture::Run(options, &sink, &clock);
  const double end = Now();
  platform::Shutdown();
  if (!result.ok) {
    std::fprintf(stderr, "show_bench: capture failed: %s\n", result.error.c_str());
    return 1;
  }
  const double showSeconds = double(result.rendered) / fps;
  const double wall = end - start;
  std::printf("capture speed (%dx%d, %d fps, whole show, frames read back, no encoder)\n", width, height, fps);
  std::printf("  frames rendered:                %8lld (%.1f show seconds)\n", static_cast<long long>(result.rendered),
              showSeconds);
  const double rendering = end - clock.firstFrame;
  std::printf("  wall time:                      %8.1f s (of which set-up and first frame %.2f s)\n", wall,
              clock.firstFrame - start);
  std::printf("  frames per wall second:         %8.1f (%.1f after the first frame)\n", double(result.rendered) / wall,
              double(result.rendered - 1) / rendering);
  std::printf("  show seconds per wall second:   %8.2f   (goal: 4 or more) %s\n", showSeconds / wall,
              showSeconds / wall >= 4 ? "met" : "NOT MET");
  return 0;
}

// ---- frame pacing ---------------------------------------------------------------

struct PacingRun {
  Demo *demo = nullptr;
  std::vector<double> wall, show; // at each idle call: seconds on the monotonic clock and of the show
};
PacingRun pacingRun;

void PacingIdle(void *) {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  pacingRun.wall.push_back(Now());
  pacingRun.show.push_back(double(count.QuadPart - pacingRun.demo->timer.startCount) / 1e7);
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

// A run of the show in a 640x480 window on the real clock, paced to `rate`
// (0: not paced), for `seconds`. Per effect: frames per show second and the
// p50 and p99 frame interval in ms (-1 where the run ends before it); then,
// paced, how far the frames' offset from their 1/rate slots moved from the
// first two seconds to the last two (drift, ms) and the largest offset (ms).
std::vector<double> MeasurePacing(void *user) {
  const int *args = static_cast<const int *>(user);
  const int rate = args[0], seconds = args[1];
  if (!OpenDisplay())
    return {};
  PlatformSetFrameRate(rate);
  pacingRun = PacingRun();
  {
    Demo demo(nullptr, seconds);
    demo.Setup(VideoMode{640, 480, 32, 60}, SoundSetup{0, FSOUND_OUTPUT_NOSOUND, 44100}, false);
    pacingRun.demo = &demo;
    PlatformSetIdleHook(PacingIdle, nullptr);
    demo.Run();
    PlatformSetIdleHook(nullptr, nullptr);
  }
  platform::Shutdown();
  const std::vector<double> &wall = pacingRun.wall, &show = pacingRun.show;
  std::vector<double> result;
  for (const show::EffectWindow &effect : show::kEffects) {
    const std::pair<int, int> window = {effect.startMs, effect.endMs};
    std::vector<double> intervals;
    double from = -1, to = -1; // show seconds of the first and last frame in the window
    for (size_t i = 1; i < show.size(); ++i)
      if (show[i - 1] * 1000 >= window.first && show[i] * 1000 <= window.second + 1) {
        intervals.push_back((wall[i] - wall[i - 1]) * 1000);
        from = from < 0 ? show[i - 1] : from;
        to = show[i];
      }
    const double span = to - from;
    if (intervals.size() < 10 || span <= 0) {
      result.insert(result.end(), {-1, -1, -1});
      continue;
    }
    result.insert(result.end(),
                  {double(intervals.size()) / span, Percentile(intervals, 0.5), Percentile(intervals, 0.99)});
  }
  double drift = -1, largest = -1;
  if (rate > 0 && wall.size() > size_t(8 * rate)) {
    const double slot = 1.0 / rate;
    std::vector<double> offsets;
    for (double t : wall) {
      const double since = t - wall[0];
      offsets.push_back((since - std::round(since / slot) * slot) * 1000);
    }
    const size_t edge = size_t(2 * rate);
    double first = 0, last = 0;
    for (size_t i = 0; i < edge; ++i)
      first += offsets[i], last += offsets[offsets.size() - 1 - i];
    drift = std::fabs(last - first) / double(edge);
    largest = 0;
    for (double offset : offsets)
      largest = std::max(largest, std::fabs(offset));
  }
  result.insert(result.end(), {drift, largest});
  return result;
}

int Pacing(int seconds) {
  int paced[] = {60, seconds}, unpaced[] = {0, seconds};
  const std::vector<double> on = InChild(MeasurePacing, paced);
  const std::vector<double> off = InChild(MeasurePacing, unpaced);
  const size_t figures = 3 * show::kEffectCount + 2;
  if (on.size() != figures || off.size() != figures) {
    std::fprintf(stderr, "show_bench: a paced or unpaced run failed\n");
    return 1;
  }
  std::printf("frame pacing (a %d s run, 640x480 window, real clock; paced at 60 against --frame-rate display)\n",
              seconds);
  std::printf("  %-8s %12s %12s %10s %10s   %s\n", "effect", "unpaced f/s", "paced f/s", "p50 ms", "p99 ms", "goal");
  for (int e = 0; e < show::kEffectCount; ++e) {
    const double *p = &on[size_t(3 * e)], *u = &off[size_t(3 * e)];
    if (p[0] < 0 || u[0] < 0) {
      std::printf("  %-8s (not reached)\n", show::kEffects[e].name);
      continue;
    }
    // Goals: 60 +- 0.5 frames a second where unpaced beats 60; a p99 of
    // 16.7 +- 1 ms where a frame renders in under 15 ms.
    std::string goal = "-";
    if (u[0] > 60) {
      const bool rateMet = std::fabs(p[0] - 60) <= 0.5;
      goal = rateMet ? "rate met" : "rate NOT MET";
      if (u[0] > 1000.0 / 15)
        goal += std::fabs(p[2] - 1000.0 / 60) <= 1 ? ", p99 met" : ", p99 NOT MET";
    }
    std::printf("  %-8s %12.1f %12.2f %10.2f %10.2f   %s\n", show::kEffects[e].name, u[0], p[0], p[1], p[2],
                goal.c_str());
  }
  if (on[figures - 2] < 0)
    std::printf("  drift: the run is too short to tell\n");
  else
    std::printf("  drift of the slots over the run: %.3f ms (goal: under 20) %s; largest offset from a slot %.2f ms\n",
                on[figures - 2], on[figures - 2] < 20 ? "met" : "NOT MET", on[figures - 1]);
  return 0;
}

// ---- capture as users run it --------------------------------------------------

// zarvox-capture to PNG frames and to H.264, against ffmpeg alone encoding
// the same frames (read from PNG files) with the same settings.
int Encode(bool smoke) {
  const std::string capture = std::string(ZARVOX_BINARY_DIR) + "/bin/zarvox-capture";
  const ScratchDir folder;
  if (folder.Path().empty()) {
    std::perror("show_bench: scratch folder");
    return 1;
  }
  const std::string &work = folder.Path();
  const int pngSeconds = smoke ? 1 : 20, videoSeconds = smoke ? 1 : 10;
  const std::string videoSize = smoke ? "320x240" : "1920x1080";
  const double png =
      TimeProgram({capture, "--size", "640x480", "--to", std::to_string(pngSeconds * 1000), work + "/png/"});
  const std::string to = std::to_string(videoSeconds * 1000 - 1); // frames 0 to 60 * seconds - 1
  const double mp4 = TimeProgram({capture, "--size", videoSize, "--to", to, work + "/show.mp4"});
  const double frames = TimeProgram({capture, "--size", videoSize, "--to", to, work + "/big/"});
  const double alone = TimeProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-framerate", "60", "-i",
                                    work + "/big/frame-%06d.png", "-c:v", "libx264", "-preset", "medium", "-crf", "18",
                                    "-pix_fmt", "yuv420p", work + "/alone.mp4"});
  if (png < 0 || mp4 < 0 || frames < 0) {
    std::fprintf(stderr, "show_bench: zarvox-capture failed (is the screen at least %s?)\n", videoSize.c_str());
    return 1;
  }
  std::printf("zarvox-capture as users run it (60 fps)\n");
  std::printf("  PNG frames, 640x480, %d s of show:  %6.1f s: %5.2fx real time (goal: 4 or more) %s\n", pngSeconds, png,
              pngSeconds / png, pngSeconds / png >= 4 ? "met" : "NOT MET");
  std::printf("  PNG frames, %s, %d s:         %6.1f s\n", videoSize.c_str(), videoSeconds, frames);
  std::printf("  .mp4 (H.264 medium, CRF 18), %s, %d s: %6.1f s: %5.2fx real time\n", videoSize.c_str(), videoSeconds,
              mp4, videoSeconds / mp4);
  if (alone < 0) {
    std::printf("  ffmpeg alone: not available (apt-get install ffmpeg)\n");
  } else {
    std::printf("  ffmpeg alone, same frames from PNG files, same settings: %6.1f s\n", alone);
    std::printf("  capture .mp4 / ffmpeg alone:      %6.2f (goal: 1.3 or less) %s\n", mp4 / alone,
                mp4 / alone <= 1.3 ? "met" : "NOT MET");
  }
  return 0;
}

// ---- peak memory --------------------------------------------------------------

struct MemoryRun {
  int64_t beforeSetupKb = -1;
};
MemoryRun memoryRun;

class NullSink : public capture::FrameSink {
public:
  bool Frame(int64_t, const uint8_t *, int, int, bool) override { return true; }
};

std::vector<double> MeasureMemory(void *) {
  if (!OpenDisplay() || !ShowDialogAndStart())
    return {};
  capture::Options options;
  options.pullSound = true; // the soundtrack decodes and mixes as a device would take it
  options.beforeSetup = [] {
    memoryRun.beforeSetupKb = ProcKilobytes("VmRSS");
    ResetPeakMemory(); // from here on the peak counts
  };
  NullSink sink;
  const capture::Result result = capture::Run(options, &sink);
  const int64_t peakKb = ProcKilobytes("VmHWM");
  platform::Shutdown();
  if (!result.ok) {
    std::fprintf(stderr, "show_bench: the run failed: %s\n", result.error.c_str());
    return {};
  }
  return {double(memoryRun.beforeSetupKb), double(peakKb)};
}

int Memory() {
  // The first process to show the dialog after a while can take far more
  // memory for it than the next (caches the libraries fill); a warm-up child
  // makes the figures comparable.
  InChild(MeasureBareWindow, nullptr);
  const std::vector<double> kb = InChild(MeasureMemory, nullptr);
  if (kb.size() != 2)
    return 1;
  const double above = (kb[1] - kb[0]) / 1024;
  const std::vector<double> bare = InChild(MeasureBareWindow, nullptr);
  std::printf("peak memory (a full run after the setup dialog, 640x480, sound mixed offline)\n");
  std::printf("  resident before Setup:          %8.1f MiB\n", kb[0] / 1024);
  std::printf("  peak resident during the run:   %8.1f MiB\n", kb[1] / 1024);
  std::printf("  peak above before-Setup:        %8.1f MiB (goal: under 64) %s\n", above,
              above < 64 ? "met" : "NOT MET");
  if (bare.size() == 3) {
    // The GL driver sets itself up with the first window and context: what
    // that costs is the driver's, whatever the show then draws.
    const double floor = (bare[2] - bare[1]) / 1024;
    std::printf("  a bare window and GL context, same path: %.1f MiB; the show's own above that: %.1f MiB\n", floor,
                above - floor);
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  // The dialog lists sound devices and the run mixes offline: no sound card is needed.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::string what = "all";
  std::string data = std::string(ZARVOX_BINARY_DIR) + "/bin/zarvox.dat";
  int runs = 5, fps = 60, width = 640, height = 480;
  bool smoke = false;
  int seconds = show::kShowSeconds; // of the pacing runs
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--data" && hasValue) {
      data = argv[++i];
    } else if (arg == "--runs" && hasValue) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--fps" && hasValue) {
      fps = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--size" && hasValue && std::sscanf(argv[i + 1], "%dx%d", &width, &height) == 2) {
      ++i;
    } else if (arg == "--seconds" && hasValue) {
      seconds = std::max(3, std::min(show::kShowSeconds, std::atoi(argv[++i])));
    } else if (arg == "--smoke") {
      smoke = true;
    } else if (arg == "startup" || arg == "capture" || arg == "memory" || arg == "pacing" || arg == "encode" ||
               arg == "all") {
      what = arg;
    } else {
      std::fprintf(stderr,
                   "usage: show_bench [startup|capture|memory|pacing|encode|all] [--data FILE] [--runs N] [--fps N] "
                   "[--size WxH] [--seconds N] [--smoke]\n");
      return 2;
    }
  }
  // The show opens zarvox.dat from its current directory.
  const size_t slash = data.rfind('/');
  if (slash != std::string::npos && chdir(data.substr(0, slash).c_str()) != 0) {
    std::perror(("show_bench: " + data.substr(0, slash)).c_str());
    return 1;
  }
  if (access("zarvox.dat", R_OK) != 0 || data.substr(slash == std::string::npos ? 0 : slash + 1) != "zarvox.dat") {
    std::fprintf(stderr, "show_bench: %s is not a readable zarvox.dat\n", data.c_str());
    return 1;
  }
  int failed = 0;
  if (what == "pacing" || what == "all")
    failed |= Pacing(smoke ? 3 : seconds);
  if (what == "encode" || what == "all")
    failed |= Encode(smoke);
  if (what == "startup" || what == "all")
    failed |= Startup(smoke ? 1 : runs);
  if ((what == "memory" || what == "all") && !smoke)
    failed |= Memory();
  // Last: it opens the display in this process.
  if (what == "capture" || what == "all")
    failed |= CaptureSpeed(fps, width, height, smoke ? 2000 : INT64_MAX);
  return failed;
}
