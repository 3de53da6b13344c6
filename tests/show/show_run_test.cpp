// SPDX-License-Identifier: MIT
// Proves the show as a viewer runs it, on an X server of 640 x 480 with SDL's
// disk audio driver: Enter on the setup dialog starts it full screen, it runs
// to its natural end and exits 0 about 127.5 s after its clock started, the
// screen shows each section's effect while it runs, and what reached the
// sound device is the soundtrack; Escape ends a second run early with 0; a
// zero-filled data file gives a blank run that still ends cleanly; started
// from another folder it finds its data file in its own folder or the XDG
// data folders; and without its data file the program says so in a box and
// on stderr, naming every folder it looked in, and exits 1 before any dialog.
#include "support/screen.h"
#include "support/sections.h"
#include "support/show_kit.h"

#include "platform/tap.h"
#include "support/pcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace showkit;

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void SleepUntil(double when) {
  const double left = when - Now();
  if (left > 0)
    std::this_thread::sleep_for(std::chrono::duration<double>(left));
}

// Correlation of `frames` frames of the device's sound at `at` with the
// reference at `refAt`, at the best lag within `maxLag` frames of `*lag`,
// which is updated: a device that starved plays the rest of the track late.
double TrackedCorrelation(const std::vector<int16_t> &device, size_t at, const std::vector<int16_t> &reference,
                          size_t refAt, size_t frames, long maxLag, long *lag) {
  double best = -1;
  long bestLag = *lag;
  for (long l = *lag - maxLag; l <= *lag + maxLag; ++l) {
    const long from = long(at) + l;
    if (from < 0 || size_t(from) + frames > device.size() / 2 || refAt + frames > reference.size() / 2)
      continue;
    const double c = soundtest::Correlation(device, size_t(from), reference, refAt, frames);
    if (c > best)
      best = c, bestLag = l;
    if (l == *lag && c > 0.99)
      return c; // in step: no search needed
  }
  *lag = bestLag;
  return best;
}

void ExpectSoundtrack(const std::vector<int16_t> &device, const std::vector<int16_t> &reference) {
  ASSERT_FALSE(device.empty()) << "the disk device wrote nothing";
  const size_t first = soundtest::FirstSoundFrame(device), end = soundtest::EndSoundFrame(device);
  const size_t refFirst = soundtest::FirstSoundFrame(reference);
  ASSERT_LT(first, end) << "the device got silence only";
  // The show stops the music when it ends, 127.5 s after starting it. SDL's
  // disk device keeps time by sleeping a whole number of milliseconds per
  // buffer, so its clock runs a few per cent off the wall clock.
  const double heard = double(end - first) / 44100 + double(refFirst) / 44100;
  EXPECT_GT(heard, 115.0);
  EXPECT_LT(heard, 129.5);
  long lag = 0;
  for (int second : {1, 10, 20, 30, 45, 60, 75, 90, 105, 112}) {
    const size_t offset = size_t(second) * 44100;
    const double c = TrackedCorrelation(device, first + offset, reference, refFirst + offset, 4096, 2048, &lag);
    EXPECT_GT(c, 0.95) << "at " << second << " s of the track (device " << lag << " frames late)";
  }
}

class ShowRun : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(screen.Open()) << "no X server at DISPLAY";
    ASSERT_TRUE(Exists(DataFile())) << "the build makes " << DataFile();
    options.cwd = scratch.Path();
    options.setEnv = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + (scratch / "audio.raw"),
                      "XDG_STATE_HOME=" + (scratch / "state"), "NO_AT_BRIDGE=1"};
  }
  void LinkDataFile() { ASSERT_EQ(symlink(DataFile().c_str(), (scratch / "zarvox.dat").c_str()), 0); }
  std::string Log() { return ReadText(scratch / "state/zarvox/debug_unrar.txt"); }
  // A copy of zarvox in scratch/bin, away from the build's data file, whose
  // XDG data folders lie in the scratch folder too: empty, so that GTK finds
  // no icon theme there, nor the MIME database by which it would tell the
  // formats of its own icons.
  std::string CopyOfTheProgram() {
    std::filesystem::create_directories(scratch / "bin");
    std::filesystem::copy_file(Program("zarvox"), scratch / "bin/zarvox");
    options.setEnv.push_back("XDG_DATA_HOME=" + (scratch / "home"));
    options.setEnv.push_back("XDG_DATA_DIRS=" + (scratch / "dirs1") + ":" + (scratch / "dirs2/"));
    return scratch / "bin/zarvox";
  }

  // Starts zarvox and answers its dialog with Enter; the show's window, or 0.
  unsigned long StartShow(Child &show) {
    const unsigned long dialog = screen.WaitFor("zarvox", 60);
    if (dialog == 0) {
      ADD_FAILURE() << "no setup dialog: " << show.Err();
      return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the dialog takes keys once drawn
    EXPECT_TRUE(screen.Press(dialog, "Return"));
    const unsigned long window = screen.WaitFor("demo Window", 60);
    if (window == 0)
      ADD_FAILURE() << "Enter started no show: " << show.Err();
    return window;
  }

  Screen screen;
  ScratchDir scratch;
  RunOptions options;
};

} // namespace

TEST_F(ShowRun, RunsFromTheDialogToItsNaturalEndWithPictureAndSound) {
  LinkDataFile();
  Child show({Program("zarvox")}, options);
  ASSERT_TRUE(show.Started());
  const unsigned long window = StartShow(show);
  ASSERT_NE(window, 0u);
  // The clock starts once the media are set up, after the window is made;
  // its first frame is the zoom's, the logo overfilling the view.
  double started = 0;
  for (const double deadline = Now() + 60; started == 0 && Now() < deadline;) {
    Picture picture;
    if (screen.Grab(window, &picture) && picture.Share(Orange) > 0.02)
      started = Now();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GT(started, 0) << "the show drew no first frame: " << show.Err();
  const struct {
    double second;
    const char *what;
  } looks[] = {{6, "logo zoom"}, {18.5, "logo twirl"}, {35, "logo spin"}, {66, "sphere"}, {108, "logo wave"}};
  std::vector<Picture> pictures;
  for (const auto &look : looks) {
    SleepUntil(started + look.second);
    Picture picture;
    ASSERT_TRUE(screen.Grab(window, &picture)) << look.what;
    pictures.push_back(picture);
  }
  ASSERT_TRUE(show.Wait(started + 150 - Now())) << "the show did not end by itself";
  const double ran = Now() - started;
  EXPECT_EQ(show.Status(), 0) << show.Err();
  EXPECT_GT(ran, 127.3) << "the show ends when its time, rounded to seconds, reaches 128";
  EXPECT_LT(ran, 127.5 + 10.0) << "the teardown took too long";

  for (size_t i = 0; i < pictures.size(); ++i)
    ExpectSection(int(i), pictures[i], looks[i].what);

  const std::string log = Log();
  EXPECT_EQ(log.find("couldn't extract"), std::string::npos) << log;

  // The sound device got the soundtrack: libmpg123's decoding of the
  // packed MP3, from its first sound to the show's end at 127.5 s.
  Bytes mp3;
  ASSERT_TRUE(ReadFile(MediaDir() + "/zarvox.mp3", &mp3));
  const soundtest::Pcm reference = soundtest::ReferenceDecode(std::vector<unsigned char>(mp3.begin(), mp3.end()));
  ASSERT_EQ(reference.rate, 44100);
  const std::vector<int16_t> device = soundtest::ReadRawStereo(scratch / "audio.raw");
  ExpectSoundtrack(device, reference.samples);
}

TEST_F(ShowRun, EscapeEndsASecondRunEarly) {
  LinkDataFile();
  Child show({Program("zarvox")}, options);
  ASSERT_TRUE(show.Started());
  const unsigned long window = StartShow(show);
  ASSERT_NE(window, 0u);
  std::this_thread::sleep_for(std::chrono::seconds(4));
  ASSERT_TRUE(show.Running()) << show.Err();
  const double pressed = Now();
  ASSERT_TRUE(screen.Press(window, "Escape"));
  ASSERT_TRUE(show.Wait(20)) << "Escape did not end the show";
  EXPECT_EQ(show.Status(), 0) << show.Err();
  EXPECT_LT(Now() - pressed, 10.0);
}

TEST_F(ShowRun, ZeroFilledDataFileGivesABlankSilentRunThatEndsCleanly) {
  Bytes good;
  ASSERT_TRUE(ReadFile(DataFile(), &good));
  ASSERT_TRUE(WriteFile(scratch / "zarvox.dat", Bytes(good.size(), 0)));
  Child show({Program("zarvox")}, options);
  ASSERT_TRUE(show.Started());
  const unsigned long window = StartShow(show);
  ASSERT_NE(window, 0u);
  std::this_thread::sleep_for(std::chrono::seconds(4));
  Picture picture;
  ASSERT_TRUE(screen.Grab(window, &picture));
  EXPECT_EQ(picture.ShareColoured(), 0) << "a picture without images shows white and grey alone";
  ASSERT_TRUE(screen.Press(window, "Escape"));
  ASSERT_TRUE(show.Wait(20)) << "Escape did not end the show";
  EXPECT_EQ(show.Status(), 0) << show.Err();
  const std::vector<int16_t> device = soundtest::ReadRawStereo(scratch / "audio.raw");
  EXPECT_GE(soundtest::FirstSoundFrame(device), soundtest::EndSoundFrame(device)) << "the device got sound";
  const std::string log = Log();
  for (const char *name : {"krel.png", "spheremap.png", "zarvox.mp3"})
    EXPECT_NE(log.find(std::string("Error - couldn't extract >") + name + "<"), std::string::npos) << log;
  EXPECT_NE(log.find("Not a RAR file"), std::string::npos) << log;
}

// A relative path the user gave keeps its meaning all the same: SDL's disk
// device writes to SDL_DISKAUDIOFILE in the folder the program started in.
TEST_F(ShowRun, StartedElsewhereItFindsItsDataFileInItsOwnOrAnXdgFolder) {
  const std::string program = CopyOfTheProgram();
  options.setEnv.push_back("SDL_DISKAUDIOFILE=audio-here.raw");
  for (const std::string &folder : {scratch / "bin", scratch / "home/zarvox", scratch / "dirs2/zarvox"}) {
    std::filesystem::create_directories(folder);
    ASSERT_EQ(symlink(DataFile().c_str(), (folder + "/zarvox.dat").c_str()), 0);
    Child show({program}, options);
    ASSERT_TRUE(show.Started());
    const unsigned long dialog = screen.WaitFor("zarvox", 60);
    ASSERT_NE(dialog, 0u) << "no setup dialog with the data file in " << folder << ": " << show.Err();
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the dialog takes keys once drawn
    ASSERT_TRUE(screen.Press(dialog, "alt+x"));
    ASSERT_TRUE(show.Wait(20)) << "Exit did not end the program";
    EXPECT_EQ(show.Status(), 0) << show.Err();
    EXPECT_TRUE(Exists(scratch / "audio-here.raw")) << show.Err();
    EXPECT_FALSE(Exists(folder + "/audio-here.raw")) << "written into the data folder";
    ASSERT_EQ(unlink((folder + "/zarvox.dat").c_str()), 0);
    unlink((scratch / "audio-here.raw").c_str());
  }
}

TEST_F(ShowRun, WithoutItsDataFileTheProgramSaysSoAndExits1) {
  const std::string program = CopyOfTheProgram();
  // Missing, then a folder in its place, then a FIFO (which a plain open
  // would wait on for ever).
  const char *const reasons[] = {"No such file", "folder", "a FIFO"};
  for (int round = 0; round < 3; ++round) {
    if (round == 1) {
      ASSERT_EQ(mkdir((scratch / "zarvox.dat").c_str(), 0700), 0);
    } else if (round == 2) {
      ASSERT_EQ(rmdir((scratch / "zarvox.dat").c_str()), 0);
      ASSERT_EQ(mkfifo((scratch / "zarvox.dat").c_str(), 0600), 0);
    }
    Child show({program}, options);
    ASSERT_TRUE(show.Started());
    const unsigned long box = screen.WaitFor("zarvox: no data file", 30);
    ASSERT_NE(box, 0u) << "no message box: " << show.Err();
    EXPECT_EQ(screen.Find("zarvox"), 0u) << "the setup dialog came up";
    const std::string err = show.Err();
    EXPECT_NE(err.find("\"zarvox.dat\" in " + scratch.Path()), std::string::npos) << err;
    EXPECT_NE(err.find(reasons[round]), std::string::npos) << err;
    EXPECT_NE(err.find("also looked in " + (scratch / "bin") + ", " + (scratch / "share/zarvox") + ", " +
                       (scratch / "home/zarvox") + ", " + (scratch / "dirs1/zarvox") + ", " +
                       (scratch / "dirs2/zarvox") + ")"),
              std::string::npos)
        << err;
    ASSERT_TRUE(screen.Press(box, "Return"));
    ASSERT_TRUE(show.Wait(20)) << "the program did not end after the box";
    EXPECT_EQ(show.Status(), 1);
    EXPECT_EQ(screen.Find("demo Window"), 0u);
  }
  // Where GTK can show no box, its words still reach the viewer, on stderr.
  RunOptions bare = options;
  bare.setEnv.push_back("GDK_BACKEND=none");
  const RunResult alone = RunProgram({program}, bare);
  EXPECT_EQ(alone.status, 1);
  EXPECT_NE(alone.err.find("zarvox: no data file: Cannot open the data file: \"zarvox.dat\" in "), std::string::npos)
      << alone.err;
}

// The processes whose parent is this one, as "pid (name)" each.
static std::vector<std::pair<pid_t, std::string>> OurChildren() {
  std::vector<std::pair<pid_t, std::string>> children;
  DIR *proc = opendir("/proc");
  for (dirent *entry; proc != nullptr && (entry = readdir(proc)) != nullptr;) {
    const std::string stat = ReadText(std::string("/proc/") + entry->d_name + "/stat");
    const size_t close = stat.rfind(')');
    int parent = 0;
    if (close != std::string::npos && std::sscanf(stat.c_str() + close + 1, " %*c %d", &parent) == 1 &&
        parent == getpid())
      children.emplace_back(std::atoi(entry->d_name), stat.substr(0, close + 1));
  }
  if (proc != nullptr)
    closedir(proc);
  return children;
}

// The libraries may start processes of their own that leave their parent at
// once: with no session bus, libdbus runs dbus-launch, whose bus daemon lives
// on. Stopped by a signal while its box is up, the program takes them all
// with it. A stand-in dbus-launch leaves such a daemon; this test adopts
// whatever is orphaned and must find nothing.
TEST_F(ShowRun, NothingItStartedOutlivesAStopSignalAtItsMessageBox) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const std::string program = CopyOfTheProgram(); // alone: no data file beside it
  ASSERT_EQ(mkdir((scratch / "fakebin").c_str(), 0755), 0);
  const std::string launcher = "#!/bin/sh\n( setsid sleep 300 </dev/null >/dev/null 2>&1 & )\nexit 1\n";
  ASSERT_TRUE(WriteFile(scratch / "fakebin/dbus-launch", Bytes(launcher.begin(), launcher.end())));
  ASSERT_EQ(chmod((scratch / "fakebin/dbus-launch").c_str(), 0755), 0);
  RunOptions desktop = options;
  desktop.setEnv.push_back("PATH=" + (scratch / "fakebin") + ":" + std::getenv("PATH"));
  desktop.unsetEnv.push_back("DBUS_SESSION_BUS_ADDRESS");
  for (int signal : {SIGTERM, SIGINT}) {
    Child show({program}, desktop);
    ASSERT_TRUE(show.Started());
    ASSERT_NE(screen.WaitFor("zarvox: no data file", 30), 0u) << show.Err();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    show.Kill(signal);
    ASSERT_TRUE(show.Wait(20)) << "the program did not end on " << strsignal(signal);
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // orphans reach us
    std::string left;
    for (const auto &[pid, name] : OurChildren()) {
      left += name + " ";
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(left, "") << "left running after " << strsignal(signal);
  }
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}
