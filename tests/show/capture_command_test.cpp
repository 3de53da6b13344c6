// SPDX-License-Identifier: MIT
// Proves zarvox-capture as a user runs it: numbered PNG frames for exactly
// the chosen show times, the same picture for a frame whatever --from says
// (every frame is rendered from 0), the show at its own speed at any --fps,
// Ctrl+C keeping what was written, the whole show ending with the frame
// that reaches 128 s, a video with the soundtrack through ffmpeg (its name
// always a file's, a link in its place kept), no soundtrack left behind by a
// signal that ends it, the data file found in an XDG data folder, and a
// clear error with a non-zero exit for each thing that can be missing.
#include "support/pcm.h"
#include "support/show_kit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace showkit;

namespace {

// A folder holding the show's data file, where the capture is run.
class CaptureCommand : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_TRUE(Exists(DataFile())) << "the build makes " << DataFile();
    ASSERT_EQ(symlink(DataFile().c_str(), (scratch / "zarvox.dat").c_str()), 0);
    options.cwd = scratch.Path();
    options.setEnv = {"XDG_STATE_HOME=" + scratch.Path() + "/state"};
    options.timeoutSeconds = 600;
  }
  RunResult Capture(std::vector<std::string> args) {
    args.insert(args.begin(), Program("zarvox-capture"));
    return RunProgram(args, options);
  }
  ScratchDir scratch;
  RunOptions options;
};

std::string FrameName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06d.png", index);
  return name;
}

} // namespace

TEST_F(CaptureCommand, FromAndToOnlyChooseWhichFramesAreWritten) {
  // 4 fps: frame i shows i * 250 ms. 12250 to 13000 ms are frames 49 to 52,
  // across the cut from the zoom to the twirl at 12500.
  const RunResult all = Capture({"--fps", "4", "--size", "160x120", "--to", "13000", "all"});
  ASSERT_EQ(all.status, 0) << all.err;
  ASSERT_EQ(ListDir(scratch / "all").size(), 53u);
  const RunResult part = Capture({"--fps=4", "--size=160x120", "--from=12250", "--to=13000", "part"});
  ASSERT_EQ(part.status, 0) << part.err;
  const std::vector<std::string> names = {FrameName(49), FrameName(50), FrameName(51), FrameName(52)};
  EXPECT_EQ(ListDir(scratch / "part"), names);
  for (const std::string &name : names) {
    Bytes a, b;
    ASSERT_TRUE(ReadFile(scratch / ("all/" + name), &a));
    ASSERT_TRUE(ReadFile(scratch / ("part/" + name), &b));
    EXPECT_TRUE(a == b) << name << " differs between a capture from 0 and one from 12250 ms";
    Picture picture;
    ASSERT_TRUE(ReadPng(scratch / ("part/" + name), &picture)) << name;
    EXPECT_EQ(picture.width, 160);
    EXPECT_EQ(picture.height, 120);
    EXPECT_FALSE(picture.Uniform()) << name << " shows nothing";
  }
}

TEST_F(CaptureCommand, AnyFrameRateShowsTheShowAtItsOwnSpeed) {
  // The spin turns one step per rendered frame, 60 a show second, whatever
  // is written: at 30 fps frame j is the 60 fps frame 2j, at 120 fps frames
  // 2k and 2k + 1 are the 60 fps frame k.
  for (const char *fps : {"30", "60", "120"})
    ASSERT_EQ(
        Capture({"--fps", fps, "--size", "96x72", "--from", "30000", "--to", "30200", fps + std::string("/")}).status,
        0)
        << fps;
  const auto frame = [&](const std::string &fps, int index) {
    Bytes png;
    EXPECT_TRUE(ReadFile(scratch / (fps + "/" + FrameName(index)), &png)) << fps << " fps frame " << index;
    return png;
  };
  EXPECT_EQ(ListDir(scratch / "30").size(), 7u);
  EXPECT_EQ(ListDir(scratch / "120").size(), 25u);
  EXPECT_TRUE(frame("60", 1800) != frame("60", 1801)) << "the spin stands still";
  for (int j = 900; j <= 906; ++j)
    EXPECT_TRUE(frame("30", j) == frame("60", 2 * j)) << "30 fps frame " << j;
  for (int k = 3600; k <= 3624; ++k)
    EXPECT_TRUE(frame("120", k) == frame("60", k / 2)) << "120 fps frame " << k;
}

// So does the terminal closing (SIGHUP): the capture ends in the same order.
TEST_F(CaptureCommand, CtrlCKeepsWhatWasWrittenAndSaysSo) {
  for (const auto &[signal, name] : {std::pair<int, std::string>{SIGINT, "Ctrl+C"}, {SIGHUP, strsignal(SIGHUP)}}) {
    const std::string frames = scratch / ("frames-" + std::to_string(signal));
    Child capture({Program("zarvox-capture"), "--size", "64x48", frames + "/"}, options);
    ASSERT_TRUE(capture.Started());
    for (int i = 0; i < 600 && ListDir(frames).size() < 30; ++i)
      usleep(50000);
    ASSERT_GE(ListDir(frames).size(), 30u) << capture.Err();
    capture.Kill(signal);
    ASSERT_TRUE(capture.Wait(60));
    EXPECT_EQ(capture.Status(), 128 + signal) << capture.Err();
    EXPECT_NE(capture.Err().find("interrupted by " + name), std::string::npos) << capture.Err();
    EXPECT_GE(ListDir(frames).size(), 30u);
  }
}

TEST_F(CaptureCommand, TheWholeShowEndsWithTheFrameThatReaches128Seconds) {
  // Rendered and written at 1 fps, frame 127 (127 s) still runs; frame 128
  // rounds to 128 s and is the show's last.
  const RunResult run = Capture({"--fps", "1", "--frame-rate", "1", "--size", "64x48", "frames"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> names = ListDir(scratch / "frames");
  ASSERT_EQ(names.size(), 129u);
  EXPECT_EQ(names.front(), FrameName(0));
  EXPECT_EQ(names.back(), FrameName(128));
  EXPECT_NE(run.err.find("129 frames"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\r'), std::string::npos) << "a progress bar on a pipe";
}

TEST_F(CaptureCommand, AVideoHoldsTheFramesAndTheSoundtrack) {
  const RunResult run = Capture({"--fps", "10", "--size", "160x120", "--from", "1000", "--to", "2900", "show.mkv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string ffprobe = "/usr/bin/ffprobe";
  if (access(ffprobe.c_str(), X_OK) != 0)
    GTEST_SKIP() << "no ffprobe to look into the video";
  const std::string out = scratch / "probe.txt";
  const std::string command = ffprobe + " -v error -count_frames -show_entries stream=codec_type,width,height," +
                              "nb_read_frames:format=duration -of compact=p=0:nk=1 " + (scratch / "show.mkv") + " > " +
                              out;
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string text = ReadText(out);
  EXPECT_NE(text.find("video|160|120|20"), std::string::npos) << text;
  EXPECT_NE(text.find("audio|"), std::string::npos) << "no soundtrack in " << text;
  // The container lasts as long as the 20 frames: 2 s, give or take a frame.
  const double duration = std::atof(text.substr(text.rfind('\n', text.size() - 2) + 1).c_str());
  EXPECT_NEAR(duration, 2.0, 0.1) << text;

  // Its sound is the soundtrack from 1 s on (the first frame's time), as
  // libmpg123 decodes it, give or take the audio encoder's own delay.
  const std::string raw = scratch / "sound.raw";
  ASSERT_EQ(
      std::system(("ffmpeg -loglevel error -i " + (scratch / "show.mkv") + " -map 0:a -f s16le -ac 2 -ar 44100 " + raw)
                      .c_str()),
      0);
  const std::vector<int16_t> sound = soundtest::ReadRawStereo(raw);
  Bytes mp3;
  ASSERT_TRUE(ReadFile(MediaDir() + "/zarvox.mp3", &mp3));
  const soundtest::Pcm track = soundtest::ReferenceDecode(std::vector<unsigned char>(mp3.begin(), mp3.end()));
  ASSERT_GT(sound.size(), size_t(44100) * 2 * 3 / 2) << "less than 1.5 s of sound";
  double best = -1;
  for (long lag = -2048; lag <= 2048; lag += 4) {
    const long from = 44100 / 4 + lag; // a quarter second in, clear of the edges
    best = std::max(best, soundtest::Correlation(sound, size_t(from), track.samples, 44100 + 44100 / 4, 22050));
  }
  EXPECT_GT(best, 0.98) << "the video's sound is not the soundtrack from 1 s on";
}

// ffmpeg takes "pipe:1.mkv" for its standard output unless told it is a file;
// a link in the video's place is the user's and stays, even when the
// capture fails (here: no display).
TEST_F(CaptureCommand, TheVideoGoesToTheFileNamed) {
  const RunResult run = Capture({"--fps", "10", "--size", "64x48", "--to", "300", "pipe:1.mkv"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.empty()) << "the video went to standard output";
  Bytes video;
  EXPECT_TRUE(ReadFile(scratch / "pipe:1.mkv", &video) && !video.empty()) << run.err;

  ASSERT_EQ(symlink("made.mkv", (scratch / "link.mkv").c_str()), 0);
  RunOptions noDisplay = options;
  noDisplay.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
  EXPECT_EQ(RunProgram({Program("zarvox-capture"), "link.mkv"}, noDisplay).status, 1);
  struct stat info;
  EXPECT_TRUE(lstat((scratch / "link.mkv").c_str(), &info) == 0 && S_ISLNK(info.st_mode)) << "the link is gone";
  EXPECT_FALSE(Exists(scratch / "made.mkv")) << "a file was made through the link";
}

// Any signal that ends the capture (SIGQUIT: the display leaves it alone)
// takes the soundtrack it decrypted for ffmpeg along.
TEST_F(CaptureCommand, ASignalThatEndsItLeavesNoSoundtrack) {
  ASSERT_EQ(mkdir((scratch / "tmp").c_str(), 0700), 0);
  RunOptions run = options;
  run.setEnv.push_back("TMPDIR=" + (scratch / "tmp"));
  Child capture({Program("zarvox-capture"), "--size", "64x48", "show.mkv"}, run);
  ASSERT_TRUE(capture.Started());
  for (int i = 0; i < 600 && ListDir(scratch / "tmp").empty(); ++i)
    usleep(50000);
  ASSERT_EQ(ListDir(scratch / "tmp").size(), 1u) << capture.Err();
  capture.Kill(SIGQUIT);
  ASSERT_TRUE(capture.Wait(60));
  EXPECT_EQ(capture.Status(), 128 + SIGQUIT) << capture.Err();
  EXPECT_EQ(ListDir(scratch / "tmp"), std::vector<std::string>()) << "the soundtrack is left";
}

TEST_F(CaptureCommand, SaysWhatIsMissingAndFails) {
  // A copy of the program away from the build's data file, run in an empty
  // folder, its XDG data folders in scratch.
  ScratchDir empty, elsewhere;
  const std::string capture = elsewhere / "zarvox-capture";
  std::filesystem::copy_file(Program("zarvox-capture"), capture);
  RunOptions noData = options;
  noData.cwd = empty.Path();
  noData.setEnv.push_back("XDG_DATA_HOME=" + (scratch / "home"));
  noData.setEnv.push_back("XDG_DATA_DIRS=" + (scratch / "dirs"));
  RunResult run = RunProgram({capture, "out"}, noData);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("\"zarvox.dat\" in " + empty.Path()), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("also looked in " + elsewhere.Path() + ", "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(", " + (scratch / "home/zarvox") + ", " + (scratch / "dirs/zarvox") + ")"), std::string::npos)
      << run.err;
  EXPECT_FALSE(Exists(empty / "out")) << "nothing is made when the capture cannot start";

  // Found in an XDG data folder, the frames still go where they were asked.
  std::filesystem::create_directories(scratch / "dirs/zarvox");
  ASSERT_EQ(symlink(DataFile().c_str(), (scratch / "dirs/zarvox/zarvox.dat").c_str()), 0);
  run = RunProgram({capture, "--fps", "1", "--to", "0", "--size", "64x48", "out"}, noData);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ListDir(empty / "out"), std::vector<std::string>{"frame-000000.png"});
  // Started in a folder that was removed, a relative OUT is refused, never
  // taken in the data folder.
  run = RunProgram({"/bin/sh", "-c", "mkdir gone && cd gone && rmdir ../gone && exec \"$0\" --to 0 out", capture},
                   noData);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(ListDir(scratch / "dirs/zarvox"), std::vector<std::string>{"zarvox.dat"});
  ASSERT_EQ(unlink((scratch / "dirs/zarvox/zarvox.dat").c_str()), 0);

  ASSERT_EQ(mkdir((empty / "zarvox.dat").c_str(), 0700), 0);
  run = RunProgram({capture, "out2"}, noData);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("a folder, not a regular file"), std::string::npos) << run.err;
  ASSERT_EQ(rmdir((empty / "zarvox.dat").c_str()), 0);
  ASSERT_EQ(mkfifo((empty / "zarvox.dat").c_str(), 0600), 0);
  run = RunProgram({"/usr/bin/timeout", "60", capture, "out"}, noData);
  EXPECT_EQ(run.status, 1) << "a FIFO is not waited on";
  EXPECT_NE(run.err.find("a FIFO, not a regular file"), std::string::npos) << run.err;

  // A folder where a file stands, and a video in a folder that is not there.
  ASSERT_TRUE(WriteFile(scratch / "plain", Bytes(1, 0)));
  run = Capture({scratch / "plain/frames"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot write frames into the folder"), std::string::npos) << run.err;
  run = Capture({scratch / "nowhere/show.mp4"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot write the video"), std::string::npos) << run.err;

  RunOptions noDisplay = options;
  noDisplay.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
  run = RunProgram({capture, "frames/of/the/show"}, noDisplay);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
  EXPECT_FALSE(Exists(scratch / "frames")) << "the folders made for frames that never came are left";

  // No OpenGL library: what failed and why, not a guess.
  RunOptions noGl = options;
  noGl.setEnv.push_back("SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1");
  run = RunProgram({capture, "--to", "0", "blank"}, noGl);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("the show drew nothing (cannot give the window \"demo Window\" an OpenGL pixel format"),
            std::string::npos)
      << run.err;

  RunOptions noFfmpeg = options;
  noFfmpeg.setEnv.push_back("PATH=" + empty.Path());
  run = RunProgram({capture, "show.webm"}, noFfmpeg);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("needs ffmpeg"), std::string::npos) << run.err;

  // An ffmpeg that quits at once: its status, not the pipe it left, is the reason.
  const std::string quitting = elsewhere.Path() + "/ffmpeg";
  const std::string script = "#!/bin/sh\nexit 3\n";
  ASSERT_TRUE(WriteFile(quitting, Bytes(script.begin(), script.end())));
  ASSERT_EQ(chmod(quitting.c_str(), 0755), 0);
  RunOptions badFfmpeg = options;
  badFfmpeg.setEnv.push_back("PATH=" + elsewhere.Path());
  run = RunProgram({capture, "--to", "2000", "show.mp4"}, badFfmpeg);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("ffmpeg failed with exit status 3"), std::string::npos) << run.err;

  // Usage errors: status 2.
  for (const std::vector<std::string> &args :
       std::vector<std::vector<std::string>>{{"--fps", "0", "out"},
                                             {"--size", "640", "out"},
                                             {"--from", "2000", "--to", "1000", "out"},
                                             {"--from", "130000", "out"},
                                             {"--size", "161x120", "show.mp4"},
                                             {"--speed", "2", "out"},
                                             {"show.avi"},
                                             {"--frame-rate", "0", "out"},
                                             {"--preset", "quick", "show.mp4"},
                                             {"--preset", "fast", "show.webm"},
                                             {"--crf", "18", "out"},
                                             {"--crf", "52", "show.mkv"},
                                             {}}) {
    std::vector<std::string> argv = {capture};
    argv.insert(argv.end(), args.begin(), args.end());
    run = RunProgram(argv, options);
    EXPECT_EQ(run.status, 2) << args.size() << " arguments: " << run.err;
    EXPECT_NE(run.err.find("try --help"), std::string::npos) << run.err;
  }
}
