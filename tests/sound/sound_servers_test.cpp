// SPDX-License-Identifier: MIT
// Proves that the soundtrack reaches real sound servers and devices for each
// output type of the dialog, recorded back while the sound layer plays 30 s
// of zarvox.mp3 with the show's calls: type 2 through a PulseAudio server
// with a null sink (recorded by parec from its monitor), type 3 through
// PipeWire with WirePlumber on a private D-Bus (pw-record from the sink's
// monitor), type 1 through ALSA's file plugin into a pipe that the test
// empties at a card's pace. Each recording is libmpg123's decoding after
// alignment, with no gap longer than one device buffer; its first sound gives
// the start latency; the device lists of the output type and of the dialog
// name the server's device. With no server and no card, the show itself runs
// silent and says why in one line on stderr. Every server runs in a scratch
// folder of its own and is stopped by its process id.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/pcm.h"
#include "support/scoped_env.h"
#include "support/screen.h"
#include "support/show_kit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace showkit;

namespace {

constexpr int kRate = 44100;
constexpr double kPlaySeconds = 30;
constexpr int kQuiet = 2; // a sample within this of 0 is silence (PipeWire's resampler leaves a trace)

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

template <class Ready> bool WaitFor(double seconds, Ready ready) {
  for (const double deadline = Now() + seconds; Now() < deadline;) {
    if (ready())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

bool WriteText(const std::string &path, const std::string &text) {
  std::ofstream out(path);
  out << text;
  return bool(out);
}

// ---- the kit: recording from a pipe, and the sound stacks --------------------

// 16-bit stereo read from a named pipe as it comes, each read stamped with
// the time it arrived. Paced, it reads no faster than kRate frames a second
// (and a buffer ahead), as a sound card takes its data.
class PipeRecorder {
public:
  PipeRecorder(const std::string &path, bool paced) : paced(paced) {
    if (mkfifo(path.c_str(), 0600) == 0)
      fd = open(path.c_str(), O_RDONLY | O_NONBLOCK); // a writer may come and go
    // A card holds little: the pipe one buffer, not its 16 by default.
    if (fd >= 0 && paced)
      fcntl(fd, F_SETPIPE_SZ, 4096);
    if (fd >= 0)
      reader = std::thread([this] { Read(); });
  }
  ~PipeRecorder() { Stop(); }
  bool Ok() const { return fd >= 0; }
  size_t Frames() {
    std::lock_guard<std::mutex> hold(lock);
    return bytes.size() / 4;
  }
  // Stops reading once the writer has had `drain` seconds to finish.
  void Stop(double drain = 0) {
    std::this_thread::sleep_for(std::chrono::duration<double>(drain));
    stop = true;
    if (reader.joinable())
      reader.join();
    if (fd >= 0)
      close(fd);
    fd = -1;
  }
  std::vector<int16_t> Pcm() {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<int16_t> pcm(bytes.size() / 4 * 2);
    std::copy_n(bytes.data(), pcm.size() * 2, reinterpret_cast<char *>(pcm.data()));
    return pcm;
  }
  // When `frame` came out of the device: its read's time, less the frames
  // that came after it in that read.
  double TimeOf(size_t frame) {
    std::lock_guard<std::mutex> hold(lock);
    for (const auto &stamp : stamps)
      if (stamp.first > frame)
        return stamp.second - double(stamp.first - frame) / kRate;
    return 0;
  }

private:
  void Read() {
    std::vector<char> buffer(1 << 16);
    double start = 0; // when the writer's first data came
    size_t since = 0; // bytes since then
    while (!stop) {
      size_t want = buffer.size();
      if (paced && start > 0) {
        const double due = (Now() - start) * kRate * 4 + 4096.0 - double(since);
        want = due > 0 ? std::min(want, size_t(due) / 4 * 4) : 0;
      }
      const ssize_t got = want > 0 ? read(fd, buffer.data(), want) : -1;
      if (got == 0)
        start = 0; // no writer: the next one starts the card's clock again
      if (got <= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      const double at = Now();
      if (start == 0)
        start = at, since = 0;
      since += size_t(got);
      std::lock_guard<std::mutex> hold(lock);
      bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
      stamps.emplace_back(bytes.size() / 4, at);
    }
  }

  bool paced;
  int fd = -1;
  std::atomic<bool> stop{false};
  std::mutex lock;
  std::vector<char> bytes;
  std::vector<std::pair<size_t, double>> stamps; // frames read so far, time
  std::thread reader;
};

// A sound server (its processes started in order, stopped in reverse by
// process id) or a device, in a scratch folder; what a client of it needs in
// its environment, the device the lists must name, and how to record what it
// plays: a program writing 44.1 kHz 16-bit stereo to stdout, or none where
// the device writes into the test's pipe itself.
struct Stack {
  ~Stack() {
    for (auto child = processes.rbegin(); child != processes.rend(); ++child) {
      (*child)->Kill(SIGTERM);
      if (!(*child)->Wait(10))
        (*child)->Kill(SIGKILL);
      (*child)->Wait(10);
    }
  }
  bool Up() const { return why.empty(); }
  // Starts a process of the stack; false (with the reason) when `ready` does not come within 20 s.
  template <class Ready> bool Start(const std::vector<std::string> &argv, Ready ready) {
    RunOptions options;
    options.setEnv = env;
    options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"};
    processes.emplace_back(new Child(argv, options));
    Child &child = *processes.back();
    if (WaitFor(20, [&] { return ready() || !child.Running(); }) && child.Running())
      return true;
    why = argv[0] + " did not start: " + child.Err();
    return false;
  }
  RunResult Run(const std::vector<std::string> &argv) {
    RunOptions options;
    options.setEnv = env;
    options.timeoutSeconds = 10;
    return RunProgram(argv, options);
  }

  std::string why;
  std::string fifo;
  std::vector<std::string> env;
  std::string device;   // the name the device lists show
  std::string recorder; // shell command; empty: the device writes `fifo`
  std::vector<std::unique_ptr<Child>> processes;
};

// A stack on a machine without a sound card: ALSA's configuration has no
// device, and no client starts a sound server of its own.
std::unique_ptr<Stack> NewStack(const ScratchDir &scratch, const std::vector<std::string> &programs) {
  std::unique_ptr<Stack> stack(new Stack);
  stack->fifo = scratch / "sound.pipe";
  const std::string run = scratch / "run", home = scratch / "home";
  stack->env = {"XDG_RUNTIME_DIR=" + run,
                "HOME=" + home,
                "XDG_CONFIG_HOME=" + home + "/.config",
                "XDG_STATE_HOME=" + home + "/.state",
                "ALSA_CONFIG_PATH=" + (scratch / "asound.conf"),
                "PULSE_CLIENTCONFIG=" + (scratch / "client.conf")};
  if (mkdir(run.c_str(), 0700) != 0 || mkdir(home.c_str(), 0700) != 0 || !WriteText(scratch / "asound.conf", "") ||
      !WriteText(scratch / "client.conf", "autospawn = no\n"))
    stack->why = "cannot prepare " + scratch.Path();
  for (const std::string &program : programs)
    if (access(program.c_str(), X_OK) != 0)
      stack->why = program + " is not installed";
  return stack;
}

// PulseAudio with a null sink and nothing else (no card, no D-Bus), as root too.
std::unique_ptr<Stack> PulseAudio(const ScratchDir &scratch) {
  auto stack = NewStack(scratch, {"/usr/bin/pulseaudio", "/usr/bin/pactl", "/usr/bin/parec"});
  if (!stack->Up())
    return stack;
  stack->device = "Null Output";
  stack->recorder = "exec /usr/bin/parec -d zarvox.monitor --raw --format=s16le --rate=44100 --channels=2 "
                    "--latency-msec=25";
  stack->Start({"/usr/bin/pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-L",
                "module-null-sink sink_name=zarvox", "-L", "module-native-protocol-unix"},
               [&] {
                 return stack->Run({"/usr/bin/pactl", "info"}).status == 0;
               });
  return stack;
}

const char kPipeWireSink[] = "context.objects = [\n"
                             "  { factory = adapter\n"
                             "    args = { factory.name = support.null-audio-sink node.name = zarvox\n"
                             "             node.description = \"Zarvox Test Sink\" media.class = Audio/Sink\n"
                             "             audio.position = [ FL FR ] } }\n"
                             "]\n";

// PipeWire as a desktop runs it: the daemon, WirePlumber linking streams to
// the default sink (a null sink here), and a session bus of their own, which
// WirePlumber needs.
std::unique_ptr<Stack> PipeWire(const ScratchDir &scratch) {
  auto stack = NewStack(scratch, {"/usr/bin/pipewire", "/usr/bin/wireplumber", "/usr/bin/dbus-daemon",
                                  "/usr/bin/pw-record", "/usr/bin/pw-metadata"});
  if (!stack->Up())
    return stack;
  const std::string conf = scratch / "home/.config/pipewire/pipewire.conf.d";
  const std::string bus = scratch / "run/bus";
  std::filesystem::create_directories(conf);
  if (!WriteText(conf + "/zarvox-sink.conf", kPipeWireSink))
    stack->why = "cannot write " + conf;
  stack->device = "Zarvox Test Sink";
  stack->recorder = "exec /usr/bin/pw-record --target zarvox -P '{ stream.capture.sink = true }' --rate 44100 "
                    "--channels 2 --format s16 --latency 1024 -";
  if (!stack->Up() ||
      !stack->Start({"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus},
                    [&] { return Exists(bus); }))
    return stack;
  stack->env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + bus);
  if (!stack->Start({"/usr/bin/pipewire"}, [&] { return Exists(scratch / "run/pipewire-0"); }))
    return stack;
  // Ready once WirePlumber has made the null sink the default.
  stack->Start({"/usr/bin/wireplumber"}, [&] {
    return stack->Run({"/usr/bin/pw-metadata", "0", "default.audio.sink"}).out.find("zarvox") != std::string::npos;
  });
  return stack;
}

// ALSA with no card: `default` is the file plugin, writing what it is given
// into the test's pipe (and to nothing else). The configuration replaces the
// system's, so no hook sends `default` to a sound server.
std::unique_ptr<Stack> AlsaFile(const ScratchDir &scratch) {
  auto stack = NewStack(scratch, {});
  stack->device = "Zarvox test card";
  if (!WriteText(scratch / "asound.conf", "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"" +
                                              stack->fifo + "\"\n  format raw\n  hint { show on description \"" +
                                              stack->device + "\" }\n}\n"))
    stack->why = "cannot write " + (scratch / "asound.conf");
  return stack;
}

// ---- playing through a stack -------------------------------------------------

struct Heard {
  std::vector<std::string> devices, dialogDevices; // the output type's list, the dialog's (in process only)
  std::vector<int16_t> pcm;                        // the recording, silence before Play included
  double playedAt = 0;                             // when Stream_Play returned
  PlatformSoundCounts counts;                      // after 30 s
  std::unique_ptr<PipeRecorder> recorder;          // stopped; for TimeOf
};

std::vector<std::string> DeviceNames() {
  std::vector<std::string> names;
  for (int i = 0; i < FSOUND_GetNumDrivers(); ++i)
    names.push_back(FSOUND_GetDriverName(i) != nullptr ? FSOUND_GetDriverName(i) : "");
  return names;
}

// What the layer plays of `mp3` on `output` in 30 s, as the show calls it, recorded through the stack.
void PlayThrough(Stack &stack, int output, const Bytes &mp3, Heard *heard) {
  std::vector<std::unique_ptr<soundtest::ScopedEnv>> env;
  for (const char *name : {"SDL_AUDIODRIVER", "AUDIODEV", "PULSE_SERVER", "PIPEWIRE_REMOTE"})
    env.emplace_back(new soundtest::ScopedEnv(name, nullptr));
  for (const std::string &pair : stack.env)
    env.emplace_back(
        new soundtest::ScopedEnv(pair.substr(0, pair.find('=')).c_str(), pair.substr(pair.find('=') + 1).c_str()));
  heard->recorder.reset(new PipeRecorder(stack.fifo, stack.recorder.empty()));
  ASSERT_TRUE(heard->recorder->Ok()) << "cannot make " << stack.fifo;
  std::unique_ptr<Child> recorder;
  if (!stack.recorder.empty()) {
    RunOptions options;
    options.setEnv = stack.env;
    recorder.reset(new Child({"/bin/sh", "-c", stack.recorder + " > '" + stack.fifo + "'"}, options));
  }
  // The dialog lists the devices of whatever output opens by itself.
  FSOUND_SetOutput(-1);
  ASSERT_TRUE(FSOUND_Init(8000, 32, 0));
  heard->dialogDevices = DeviceNames();
  FSOUND_Close();

  ASSERT_TRUE(FSOUND_SetOutput(output));
  ASSERT_TRUE(FSOUND_SetDriver(0));
  ASSERT_TRUE(FSOUND_Init(kRate, 128, 0)) << "output type " << output << " opens no device";
  heard->devices = DeviceNames();
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), 0x802B, int(mp3.size()));
  ASSERT_NE(stream, nullptr);
  // The recording runs, silent, before the music starts.
  EXPECT_TRUE(WaitFor(10, [&] { return heard->recorder->Frames() > size_t(kRate); }))
      << "nothing recorded: " << (recorder != nullptr ? recorder->Err() : "");
  ASSERT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
  heard->playedAt = Now();
  std::this_thread::sleep_for(std::chrono::duration<double>(kPlaySeconds));
  heard->counts = PlatformGetSoundCounts();
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  if (recorder != nullptr) {
    recorder->Kill(SIGTERM);
    recorder->Wait(10);
  }
  heard->recorder->Stop(0.2);
  heard->pcm = heard->recorder->Pcm();
}

bool Silent(const std::vector<int16_t> &pcm, size_t frame) {
  return std::abs(pcm[frame * 2]) <= kQuiet && std::abs(pcm[frame * 2 + 1]) <= kQuiet;
}

// Pearson correlation, summed up piece by piece.
struct Pearson {
  double a = 0, b = 0, aa = 0, bb = 0, ab = 0, n = 0;
  void Add(double x, double y) { a += x, b += y, aa += x * x, bb += y * y, ab += x * y, n += 1; }
  double Value() const {
    const double va = aa - a * a / n, vb = bb - b * b / n;
    return va > 0 && vb > 0 ? (ab - a * b / n) / std::sqrt(va * vb) : 0;
  }
};

struct Match {
  double correlation = 0;          // of the recording with the track, each block at its own lag
  size_t frames = 0;               // of the track compared
  size_t gaps = 0, longestGap = 0; // silent runs in the recording where the track plays (1 ms+, frames)
  long drift = 0;                  // how much later the track lies at the end than at the start
  double start = 0;                // correlation of the recording's first sound with the track's first 8192 frames
  double latency = 0;              // seconds from Play to the track's first sound at the device
};

// The recording against the track from its first sound, block by block, each
// block at the lag that fits it best near the one before: a device that ran
// dry plays the rest of the track late, and one that lost data early.
Match Compare(const std::vector<int16_t> &pcm, long lag, const std::vector<int16_t> &track, size_t from,
              size_t frames) {
  const size_t block = 8192;
  const long pcmFrames = long(pcm.size() / 2), firstLag = lag;
  Match match;
  Pearson all;
  size_t run = 0;
  for (size_t at = from; at + block <= from + frames && long(at) + lag + long(block) <= pcmFrames; at += block) {
    const auto fit = [&](long l) {
      return long(at) + l < 0 || long(at) + l + long(block) > pcmFrames
                 ? -1.0
                 : soundtest::Correlation(pcm, size_t(long(at) + l), track, at, block);
    };
    double best = fit(lag);
    if (best < 0.99)
      for (long l = lag - 1100, end = lag + 1100, was = lag; l <= end; ++l) {
        const double c = l == was ? best : fit(l);
        if (c > best)
          best = c, lag = l;
      }
    for (size_t f = at; f < at + block; ++f) {
      const size_t p = size_t(long(f) + lag);
      all.Add(pcm[p * 2], track[f * 2]);
      all.Add(pcm[p * 2 + 1], track[f * 2 + 1]);
      run = Silent(pcm, p) ? run + (Silent(track, f) ? 0 : 1) : 0;
      match.gaps += run == kRate / 1000 ? 1 : 0; // a millisecond and more
      match.longestGap = std::max(match.longestGap, run);
    }
    match.frames = at + block - from;
  }
  match.correlation = all.Value();
  match.drift = lag - firstLag;
  return match;
}

// The recording against the track: alignment, correlation, gaps, latency,
// printed as they are. False, with a failure, when too little was recorded.
bool MeasureTrack(const char *stack, Heard &heard, const soundtest::Pcm &reference, Match *match) {
  const std::vector<int16_t> &pcm = heard.pcm;
  const size_t refFirst = soundtest::FirstSoundFrame(reference.samples);
  size_t first = 0;
  while (first < pcm.size() / 2 && Silent(pcm, first))
    ++first;
  EXPECT_LT(first + size_t(2 * kRate), pcm.size() / 2) << stack << ": less than 2 s of sound recorded";
  if (first + size_t(2 * kRate) >= pcm.size() / 2)
    return false;
  // Where the track starts in the recording, from its first 8192 frames.
  long lag = long(first) - long(refFirst);
  double best = -1;
  for (long l = lag - 2048, end = lag + 2048; l <= end; ++l)
    if (long(refFirst) + l >= 0 && size_t(long(refFirst) + l) + 8192 <= pcm.size() / 2) {
      const double c = soundtest::Correlation(pcm, size_t(long(refFirst) + l), reference.samples, refFirst, 8192);
      if (c > best)
        best = c, lag = l;
    }
  *match = Compare(pcm, lag, reference.samples, refFirst, size_t((kPlaySeconds - 0.5) * kRate));
  match->start = best;
  // From Play to the track's first sample at the device, the track's own lead-in taken off.
  match->latency = heard.recorder->TimeOf(size_t(long(refFirst) + lag)) - double(refFirst) / kRate - heard.playedAt;
  std::printf("%s: correlation %.5f over %.1f s (first notes %.3f); start latency %.0f ms; %zu gaps, the longest "
              "%zu frames (%.1f ms), %ld frames late at the end; device buffer %d frames; layer buffers starved "
              "%llu of %llu\n",
              stack, match->correlation, double(match->frames) / kRate, match->start, match->latency * 1000,
              match->gaps, match->longestGap, match->longestGap * 1000.0 / kRate, match->drift,
              heard.counts.bufferFrames, (unsigned long long)heard.counts.starvedBuffers,
              (unsigned long long)heard.counts.buffers);
  std::fflush(stdout);
  EXPECT_GE(double(match->frames) / kRate, kPlaySeconds - 1.5) << stack << ": the recording stops early";
  return true;
}

// A sound server's own client: the track whole, no gap longer than one
// device buffer.
void ExpectTrack(const char *stack, Heard &heard, const soundtest::Pcm &reference) {
  Match match;
  if (!MeasureTrack(stack, heard, reference, &match))
    return;
  // Each short gap a busy server leaves (allowed below) costs its block some
  // correlation: a few of them may take it under 0.99, never under 0.98.
  EXPECT_GE(match.correlation, match.gaps == 0 ? 0.99 : 0.98) << stack;
  EXPECT_LE(match.longestGap, size_t(heard.counts.bufferFrames)) << stack << ": a gap longer than one device buffer";
}

// ---- the Windows layer under Wine -------------------------------------------

// Starts the stack's recorder into a fresh PipeRecorder of `heard`; NULL
// when the pipe cannot be made.
std::unique_ptr<Child> StartRecording(Stack &stack, Heard *heard) {
  heard->recorder.reset(new PipeRecorder(stack.fifo, false));
  if (!heard->recorder->Ok())
    return nullptr;
  RunOptions options;
  options.setEnv = stack.env;
  return std::unique_ptr<Child>(new Child({"/bin/sh", "-c", stack.recorder + " > '" + stack.fifo + "'"}, options));
}

void StopRecording(Child *recorder, Heard *heard) {
  recorder->Kill(SIGTERM);
  recorder->Wait(10);
  heard->recorder->Stop(0.2);
  heard->pcm = heard->recorder->Pcm();
}

// What the Windows layer plays of the soundtrack on `output` in 30 s, through
// Wine's own sound driver into the stack, recorded as above. The player runs
// under Wine in `prefix` and starts the music once the recording runs.
void PlayUnderWine(Stack &stack, const RunOptions &wineOptions, int output, Heard *heard) {
  const std::string player = std::getenv("ZARVOX_WINDOWS_SOUND_PLAYER");
  std::unique_ptr<Child> recorder = StartRecording(stack, heard);
  ASSERT_NE(recorder, nullptr) << "cannot make " << stack.fifo;
  const std::string go = stack.fifo + ".go";
  Child wine({"/usr/lib/wine/wine64", player, std::to_string(output), MediaDir() + "/zarvox.mp3",
              std::to_string(kPlaySeconds), go},
             wineOptions);
  ASSERT_TRUE(WaitFor(60, [&] { return wine.Out().find("ready") != std::string::npos || !wine.Running(); }) &&
              wine.Running())
      << "the player did not start: " << wine.Err();
  EXPECT_TRUE(WaitFor(10, [&] { return heard->recorder->Frames() > size_t(kRate); }))
      << "nothing recorded: " << recorder->Err();
  ASSERT_TRUE(WriteText(go, "")) << "cannot write " << go;
  // The player says when the music started; read as it comes, to the millisecond.
  for (const double deadline = Now() + 10; heard->playedAt == 0 && Now() < deadline;) {
    if (wine.Out().find("playing") != std::string::npos)
      heard->playedAt = Now();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_NE(heard->playedAt, 0) << "the music did not start: " << wine.Err();
  EXPECT_TRUE(wine.Wait(kPlaySeconds + 30)) << "the player did not end";
  EXPECT_EQ(wine.Status(), 0) << wine.Err();
  unsigned long long buffers = 0, starved = 0;
  int frames = 0;
  const std::string out = wine.Out();
  const size_t counts = out.find("buffers ");
  if (counts != std::string::npos &&
      std::sscanf(out.c_str() + counts, "buffers %llu starved %llu frames %d", &buffers, &starved, &frames) == 3) {
    heard->counts.buffers = buffers;
    heard->counts.starvedBuffers = starved;
    heard->counts.bufferFrames = frames;
  }
  StopRecording(recorder.get(), heard);
}

class SoundServers : public ::testing::Test {
protected:
  void SetUp() override {
    // Desktops give sound servers and audio threads a high priority (rtkit);
    // here root can do it itself. The servers, SDL's and libpulse's threads
    // and the recorders all inherit it from this thread.
    if (setpriority(PRIO_PROCESS, 0, -10) != 0)
      std::printf("sound at normal priority: %s\n", std::strerror(errno));
    ASSERT_TRUE(ReadFile(MediaDir() + "/zarvox.mp3", &mp3)) << "the build makes " << MediaDir() << "/zarvox.mp3";
    reference = soundtest::ReferenceDecode(std::vector<unsigned char>(mp3.begin(), mp3.end()));
    ASSERT_EQ(reference.rate, kRate);
    ASSERT_EQ(reference.channels, 2);
  }
  void TearDown() override { FSOUND_Close(); } // after a failure half way
  void PlayAndCheck(const char *name, Stack &stack, int output) {
    if (!stack.Up())
      GTEST_SKIP() << name << " cannot run here: " << stack.why;
    Heard heard;
    PlayThrough(stack, output, mp3, &heard);
    if (HasFatalFailure())
      return;
    EXPECT_NE(std::find(heard.devices.begin(), heard.devices.end(), stack.device), heard.devices.end())
        << name << ": output type " << output << " does not list " << stack.device;
    EXPECT_NE(std::find(heard.dialogDevices.begin(), heard.dialogDevices.end(), stack.device),
              heard.dialogDevices.end())
        << name << ": the dialog does not list " << stack.device;
    ExpectTrack(name, heard, reference);
  }

  ScratchDir scratch;
  Bytes mp3;
  soundtest::Pcm reference;
};

} // namespace

TEST_F(SoundServers, DirectSoundTypeThroughPulseAudio) {
  auto stack = PulseAudio(scratch);
  PlayAndCheck("PulseAudio (type 2)", *stack, FSOUND_OUTPUT_DSOUND);
}

TEST_F(SoundServers, A3dTypeThroughPipeWire) {
  auto stack = PipeWire(scratch);
  PlayAndCheck("PipeWire (type 3)", *stack, FSOUND_OUTPUT_A3D);
}

TEST_F(SoundServers, WaveOutTypeThroughAlsa) {
  auto stack = AlsaFile(scratch);
  PlayAndCheck("ALSA file plugin (type 1)", *stack, FSOUND_OUTPUT_WINMM);
}

// The Windows layer under Wine, into PulseAudio through Wine's own driver,
// in a Wine prefix of the test's own.
class WineSound : public SoundServers {
protected:
  // Why the test cannot run here (Wine, the Windows build or PulseAudio
  // missing), or "" once PulseAudio runs and the prefix is made.
  std::string StartWine(const char *need) {
    const char *path = std::getenv(need);
    if (path == nullptr || access(path, R_OK) != 0 || access("/usr/lib/wine/wine64", X_OK) != 0)
      return std::string("needs wine64 and the Windows build (") + need + ")";
    stack = PulseAudio(scratch);
    if (!stack->Up())
      return "PulseAudio cannot run here: " + stack->why;
    wine.setEnv = stack->env;
    wine.setEnv.insert(wine.setEnv.end(),
                       {"WINEPREFIX=" + (scratch / "prefix"), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="});
    wine.timeoutSeconds = 120;
    EXPECT_EQ(RunProgram({"/usr/lib/wine/wine64", "wineboot", "-i"}, wine).status, 0) << "wineboot failed";
    return std::string();
  }
  void TearDown() override {
    if (stack != nullptr) // nothing of Wine's outlives the test
      RunProgram({"/usr/lib/wine/wineserver", "-k"}, wine);
    SoundServers::TearDown();
  }

  // The player alone: what the layer answers for is the music from its first
  // notes, started with Play, none of it skipped, and the mixer never without
  // frames when a device asked. Wine's own driver between the layer and the
  // server leaves short gaps of its own now and then (the layer does not
  // starve when they come), and its DirectSound adds about 170 ms: both are
  // printed, not held against the layer.
  void PlayAndCheck(const char *name, int output) {
    const std::string why = StartWine("ZARVOX_WINDOWS_SOUND_PLAYER");
    if (!why.empty())
      GTEST_SKIP() << why;
    Heard heard;
    heard.counts = PlatformSoundCounts{};
    PlayUnderWine(*stack, wine, output, &heard);
    Match match;
    if (HasFatalFailure() || !MeasureTrack(name, heard, reference, &match))
      return;
    EXPECT_GE(match.start, 0.9) << name << ": the first notes are not there";
    EXPECT_GE(match.latency, -0.01) << name << ": the music starts before Play";
    EXPECT_LE(match.latency, 0.4) << name << ": the music starts late";
    EXPECT_GE(match.drift, -long(kRate) / 200) << name << ": the music skips ahead";
    EXPECT_EQ(heard.counts.starvedBuffers, 0u) << name << ": the layer ran out of music";
    EXPECT_GE(match.correlation, 0.95) << name;
  }

  std::unique_ptr<Stack> stack;
  RunOptions wine;
};

TEST_F(WineSound, DirectSoundThroughPulseAudio) {
  PlayAndCheck("Wine DirectSound (type 2)", FSOUND_OUTPUT_DSOUND);
}

TEST_F(WineSound, WaveOutThroughPulseAudio) {
  PlayAndCheck("Wine waveOut (type 1)", FSOUND_OUTPUT_WINMM);
}

// Wine's frame counter (WINEDEBUG=fps): one "approx N fps" a second.
std::vector<double> FrameRates(const std::string &trace) {
  std::vector<double> rates;
  for (size_t at = trace.find("approx "); at != std::string::npos; at = trace.find("approx ", at + 1))
    rates.push_back(std::atof(trace.c_str() + at + 7));
  return rates;
}

// The show itself under Wine, from its zip, on the X server, as a viewer
// starts it (Enter in the dialog, Enter on the box that says this screen has
// no 640 x 480 mode): 60 frames a second while the music plays whole from its
// first notes, heard with the first frame.
TEST_F(WineSound, ShowPlaysWholeAtSixtyFramesASecond) {
  const std::string why = StartWine("ZARVOX_WINDOWS_ZIP");
  if (!why.empty())
    GTEST_SKIP() << why;
  Screen screen;
  ASSERT_TRUE(screen.Open()) << "no X server at DISPLAY";
  const std::string folder = scratch / "zarvox";
  ASSERT_EQ(RunProgram({"/usr/bin/unzip", "-q", std::getenv("ZARVOX_WINDOWS_ZIP"), "-d", folder}).status, 0);
  Heard heard;
  heard.counts = PlatformSoundCounts{};
  std::unique_ptr<Child> recorder = StartRecording(*stack, &heard);
  ASSERT_NE(recorder, nullptr) << "cannot make " << stack->fifo;
  RunOptions options = wine;
  options.cwd = folder;
  options.setEnv.push_back("WINEDEBUG=-all,+fps");
  Child show({"/usr/lib/wine/wine64", folder + "/zarvox.exe"}, options);
  const unsigned long dialog = screen.WaitFor("zarvox", 60);
  ASSERT_NE(dialog, 0u) << "no setup dialog: " << show.Err();
  std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the dialog takes keys once drawn
  ASSERT_TRUE(screen.Press(dialog, "Return"));
  const unsigned long box = screen.WaitFor("ERROR Changing Display Settings", 30);
  ASSERT_NE(box, 0u) << "no box for the missing mode: " << show.Err();
  ASSERT_TRUE(screen.Press(box, "Return"));
  const unsigned long window = screen.WaitFor("demo Window", 30);
  ASSERT_NE(window, 0u) << "no show window: " << show.Err();
  // The first frame drawn is when the clock and the music started.
  Picture picture;
  for (const double deadline = Now() + 30; heard.playedAt == 0 && Now() < deadline;) {
    if (screen.Grab(window, &picture) && !picture.Uniform())
      heard.playedAt = Now();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_NE(heard.playedAt, 0) << "the show draws nothing";
  std::this_thread::sleep_for(std::chrono::duration<double>(kPlaySeconds));
  ASSERT_TRUE(screen.Press(window, "Escape"));
  EXPECT_TRUE(show.Wait(30)) << "Escape did not end the show";
  EXPECT_EQ(show.Status(), 0) << show.Err();
  StopRecording(recorder.get(), &heard);

  const std::vector<double> rates = FrameRates(show.Err());
  // Wine says it every second and a half or so.
  ASSERT_GE(rates.size(), size_t(kPlaySeconds / 2)) << "Wine counted too few frames: " << show.Err();
  double low = 1e9, high = 0;
  for (size_t i = 2; i < rates.size(); ++i) // the first counts hold the set-up
    low = std::min(low, rates[i]), high = std::max(high, rates[i]);
  std::printf("Wine's frame counter: %zu counts, %.2f to %.2f frames a second after the first two\n", rates.size(), low,
              high);
  EXPECT_GE(low, 58.5) << "frames a second fell below 60";
  EXPECT_LE(high, 61.5) << "frames a second went above 60: the show runs fast";

  Match match;
  if (!MeasureTrack("the show under Wine (type 2)", heard, reference, &match))
    return;
  EXPECT_GE(match.start, 0.9) << "the show's first notes are not there";
  EXPECT_GE(match.drift, -long(kRate) / 200) << "the show's music skips ahead";
  EXPECT_GE(match.correlation, 0.95);
  EXPECT_LE(match.latency, 0.4) << "the music starts late against the first frame";
}

// The show on an X server with no sound server and no ALSA card, the
// default output type (2) left chosen: it runs silent, ends on Escape with
// 0, and says once on stderr why there is no sound.
TEST(SoundServerGone, ShowRunsSilentWithOneLineOnStderr) {
  Screen screen;
  ASSERT_TRUE(screen.Open()) << "no X server at DISPLAY";
  ScratchDir scratch;
  const auto nothing = NewStack(scratch, {}); // no server, no card
  ASSERT_TRUE(nothing->Up()) << nothing->why;
  ASSERT_EQ(symlink(DataFile().c_str(), (scratch / "zarvox.dat").c_str()), 0);
  RunOptions options;
  options.cwd = scratch.Path();
  options.setEnv = nothing->env;
  options.setEnv.push_back("NO_AT_BRIDGE=1");
  options.unsetEnv = {"SDL_AUDIODRIVER", "AUDIODEV", "PULSE_SERVER", "PIPEWIRE_REMOTE", "DBUS_SESSION_BUS_ADDRESS"};
  Child show({Program("zarvox"), "--frame-rate", "30"}, options);
  const unsigned long dialog = screen.WaitFor("zarvox", 60);
  ASSERT_NE(dialog, 0u) << "no setup dialog: " << show.Err();
  std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the dialog takes keys once drawn
  ASSERT_TRUE(screen.Press(dialog, "Return"));
  const unsigned long window = screen.WaitFor("demo Window", 60);
  ASSERT_NE(window, 0u) << "Enter started no show: " << show.Err();
  std::this_thread::sleep_for(std::chrono::seconds(5));
  Picture picture;
  EXPECT_TRUE(screen.Grab(window, &picture) && !picture.Uniform()) << "the show draws nothing";
  ASSERT_TRUE(show.Running()) << show.Err();
  ASSERT_TRUE(screen.Press(window, "Escape"));
  ASSERT_TRUE(show.Wait(20)) << "Escape did not end the show";
  EXPECT_EQ(show.Status(), 0) << show.Err();
  const std::string err = show.Err();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(err.compare(0, 50, "FSOUND: no sound device opens for output type 2 (p"), 0) << err;
  EXPECT_NE(err.find("pulseaudio: "), std::string::npos) << err;
}
