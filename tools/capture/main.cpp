// SPDX-License-Identifier: MIT
// zarvox-capture: renders the whole show at a fixed frame rate and size into
// numbered PNG files or, through ffmpeg, a video with the soundtrack.
#include "capture.h"
#include "sinks.h"

#include "app/demo.h"
#include "archive/data_archive.h"
#include "effects/show_timeline.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/data_folder.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "platform/session.h"
#include "platform/tap.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: zarvox-capture [--fps N] [--frame-rate N] [--size WxH] [--from MS] [--to MS] [--preset NAME] [--crf N]\n"
    "                      OUT\n"
    "Renders the show from zarvox.dat (found as zarvox finds it), frame by frame, as\n"
    "zarvox plays it: 60 rendered frames a show second, each advancing the\n"
    "animation one step. Written frame i is the latest rendered frame at or before\n"
    "i * 1000 / N ms: at 60 fps every rendered frame once, at 30 every second one,\n"
    "at 50 five in six, at 120 each twice; any rate shows the show at its speed.\n"
    "Every frame from the start is rendered; --from and --to choose the show times\n"
    "written.\n"
    "\n"
    "  --fps N         frames written per show second, 1 to 1000 (default 60)\n"
    "  --frame-rate N  frames rendered per show second, 1 to 1000 (default 60, as\n"
    "                  zarvox --frame-rate; other rates change the animation's speed)\n"
    "  --size WxH      window size in pixels (default 640x480)\n"
    "  --from MS       first show time written, in ms (default 0)\n"
    "  --to MS         last show time written, in ms (default: the show's end)\n"
    "  --preset NAME   H.264 speed against size: ultrafast, superfast, veryfast,\n"
    "                  faster, fast, medium (default), slow, slower, veryslow\n"
    "  --crf N         video quality, lower is better and larger: 0 to 51 for H.264\n"
    "                  (default 18), 0 to 63 for VP9 (default 30)\n"
    "  --help          this text; --version: the version\n"
    "  OUT             a folder, for frame-NNNNNN.png files (N = frame index): an\n"
    "                  existing folder, a name ending in /, or a name without an\n"
    "                  extension; or a video file ending in .mp4 or .mkv (H.264,\n"
    "                  AAC) or .webm (VP9, Opus), encoded by ffmpeg with the soundtrack\n"
    "\n"
    "Ctrl+C stops the capture; what was written so far is kept (a video is closed\n"
    "properly) and the exit status is 130. Other failures exit 1, a wrong command\n"
    "line 2.\n";

int UsageError(const std::string &message) {
  return PlatformUsageError("zarvox-capture", message);
}

int Fail(const std::string &message) {
  std::fprintf(stderr, "zarvox-capture: %s\n", message.c_str());
  return 1;
}

bool ParseNumber(const std::string &text, long long low, long long high, long long *value) {
  if (text.empty())
    return false;
  char *end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high)
    return false;
  *value = v;
  return true;
}

bool ParseSize(const std::string &text, int *width, int *height) {
  const size_t x = text.find('x');
  long long w = 0, h = 0;
  if (x == std::string::npos || !ParseNumber(text.substr(0, x), 16, 8192, &w) ||
      !ParseNumber(text.substr(x + 1), 16, 8192, &h))
    return false;
  *width = int(w);
  *height = int(h);
  return true;
}

// The show opens the data file by its relative name; so does the capture,
// without blocking on a FIFO in its place.
bool DataFileReadable(std::string *why) {
  const char *reason = "";
  std::FILE *file = PlatformOpenRegularFileStream(kDataFileName, &reason);
  if (file == nullptr) {
    *why = reason;
    return false;
  }
  std::fclose(file);
  return true;
}

// Makes the folder (and missing parents), noting in *made each one made, and
// proves that a file can be made in it.
bool PrepareFolder(const std::string &folder, std::vector<std::string> *made, std::string *why) {
  bool existed = false;
  for (size_t slash = folder.find_first_of(platform::kPathSeparators, 1); slash != std::string::npos;
       slash = folder.find_first_of(platform::kPathSeparators, slash + 1))
    if (platform::MakeFolder(folder.substr(0, slash), &existed, why))
      made->push_back(folder.substr(0, slash));
  if (platform::MakeFolder(folder, &existed, why))
    made->push_back(folder);
  else if (!existed)
    return false;
  if (platform::KindOfPath(folder) != platform::PathKind::kFolder) {
    *why = "it is not a folder";
    return false;
  }
  platform::OutputFile probe;
  if (!probe.Create(folder + "/.zarvox-capture-probe", why))
    return false;
  probe.Discard();
  return true;
}

// Folders the capture made for its frames go again, deepest first, when it
// ends without having written into them (no display, say); a folder that
// holds something stays.
class MadeFolders {
public:
  ~MadeFolders() {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
      platform::RemoveFolder(*folder);
  }
  std::vector<std::string> made;
};

// The soundtrack from the data file, written to a temporary file for ffmpeg
// that goes with `file` (and with any stop that ends the process). False,
// with the reason, when it cannot be had.
bool ExtractSoundtrack(platform::OutputFile *file, std::string *why) {
  DataArchive archive(kDataFileName);
  unsigned char *block = archive.Fetch("zarvox.mp3");
  if (block == nullptr) {
    *why = "zarvox.mp3 could not be extracted from " + std::string(kDataFileName) + " (the debug log says why)";
    return false;
  }
  bool ok = file->CreateTemporary("zarvox-capture", ".mp3", why);
  if (ok && std::fwrite(block, 1, archive.size, file->Stream()) != archive.size) {
    *why = "cannot write " + file->WrittenPath() + ": " + std::strerror(errno);
    ok = false;
  }
  std::free(block);
  ok = ok && file->Close(why);
  if (!ok)
    file->Discard();
  return ok;
}

// PNG frames go to a folder: one that exists, a name ending in '/', or a
// name without an extension (which cannot be taken for a video).
bool NamesAFolder(const std::string &out) {
  if (out.back() == '/' || platform::KindOfPath(out) == platform::PathKind::kFolder)
    return true;
  const size_t slash = out.find_last_of(platform::kPathSeparators);
  const std::string name = out.substr(slash == std::string::npos ? 0 : slash + 1);
  return name.find('.', 1) == std::string::npos;
}

} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  capture::Options options;
  capture::Encoding encoding;
  bool presetGiven = false;
  std::string out;
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "zarvox-capture", kUsage);
  if (answered >= 0)
    return answered;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    if (!optionsDone && arg == "--") {
      optionsDone = true;
      continue;
    }
    if (optionsDone || arg.size() < 2 || arg[0] != '-') {
      if (!out.empty())
        return UsageError("more than one output given");
      out = arg;
      continue;
    }
    const size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    } else if (arg == "--fps" || arg == "--frame-rate" || arg == "--size" || arg == "--from" || arg == "--to" ||
               arg == "--preset" || arg == "--crf") {
      if (i + 1 >= argc)
        return UsageError(arg + " needs a value");
      value = argv[++i];
    }
    long long number = 0;
    if (arg == "--fps") {
      if (!ParseNumber(value, 1, 1000, &number))
        return UsageError("--fps takes a whole number from 1 to 1000, not \"" + value + "\"");
      options.fps = int(number);
    } else if (arg == "--frame-rate") {
      if (!ParseNumber(value, 1, 1000, &number))
        return UsageError("--frame-rate takes a whole number from 1 to 1000, not \"" + value + "\"");
      options.renderFps = int(number);
    } else if (arg == "--preset") {
      bool known = false;
      for (const char *const *name = capture::kPresets; *name != nullptr; ++name)
        known = known || value == *name;
      if (!known)
        return UsageError("--preset takes ultrafast, superfast, veryfast, faster, fast, medium, slow, slower or "
                          "veryslow, not \"" +
                          value + "\"");
      encoding.preset = value;
      presetGiven = true;
    } else if (arg == "--crf") {
      if (!ParseNumber(value, 0, 63, &number))
        return UsageError("--crf takes a whole number from 0 to 51 (H.264) or 63 (VP9), not \"" + value + "\"");
      encoding.crf = int(number);
    } else if (arg == "--size") {
      if (!ParseSize(value, &options.width, &options.height))
        return UsageError("--size takes WIDTHxHEIGHT, each from 16 to 8192, not \"" + value + "\"");
    } else if (arg == "--from" || arg == "--to") {
      if (!ParseNumber(value, 0, 1000000000, &number))
        return UsageError(arg + " takes a show time in whole milliseconds, not \"" + value + "\"");
      (arg == "--from" ? options.fromMs : options.toMs) = number;
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  if (out.empty())
    return UsageError("no output given");
  if (options.toMs < options.fromMs)
    return UsageError("--to comes before --from");
  int64_t first = 0, last = 0;
  if (!capture::WrittenFrames(options, show::kShowSeconds, &first, &last))
    return UsageError("no frame lies in that time range: the show ends at " + std::to_string(show::kLastFrameMs) +
                      " ms");
  const bool video = capture::IsVideoName(out);
  if (!video && !NamesAFolder(out))
    return UsageError("cannot write \"" + out + "\": give a folder for PNG frames (an existing one, or a name " +
                      "ending in /) or a video file ending in .mp4, .mkv or .webm");
  if (video && (options.width % 2 != 0 || options.height % 2 != 0))
    return UsageError("a video needs an even width and height");
  const bool vp9 = video && out.size() >= 5 && out.compare(out.size() - 5, 5, ".webm") == 0;
  if ((presetGiven || encoding.crf >= 0) && !video)
    return UsageError("--preset and --crf apply to videos only");
  if (presetGiven && vp9)
    return UsageError("--preset applies to H.264 (.mp4, .mkv) only");
  if (!vp9 && encoding.crf > 51)
    return UsageError("--crf for H.264 is at most 51");

  // Everything that can be checked before a window opens.
  std::string why;
  MadeFolders madeFolders;
  const std::string here = platform::CurrentFolder();
  if (platform::FindDataFile(kDataFileName) && !platform::IsAbsolutePath(out)) {
    if (here.empty()) // the name would now be taken in the data folder
      return Fail("cannot tell the current folder, in which " + out + " was asked for: give its whole path");
    out = here + "/" + out; // still where it was asked for
  }
  if (!DataFileReadable(&why))
    return Fail("cannot open the data file \"" + std::string(kDataFileName) + "\" in " +
                (here.empty() ? std::string("the current folder") : here) + ": " + why + " (also looked in " +
                platform::DataFoldersText() + ")");
  std::string ffmpeg;
  if (video) {
    ffmpeg = platform::FindOnPath("ffmpeg");
    if (ffmpeg.empty())
      return Fail("a video needs ffmpeg, which is not on PATH (" + platform::HowToGetProgram("ffmpeg") +
                  "); or give a folder to get PNG files");
    if (!platform::CheckOutputPath(out, &why))
      return Fail("cannot write the video " + out + ": " + why);
  } else if (!PrepareFolder(out, &madeFolders.made, &why)) {
    return Fail("cannot write frames into the folder " + out + ": " + why);
  }
  // Before the display's own handlers, which turn a stop into a window close
  // and leave the process's end to these.
  platform::RemoveOutputsOnStop();
  if (!platform::OpenDisplay(&why))
    return Fail(why);

  platform::OutputFile soundtrack;
  std::unique_ptr<capture::VideoSink> videoSink;
  std::unique_ptr<capture::PngFolderSink> pngSink;
  capture::FrameSink *sink = nullptr;
  if (video) {
    if (!ExtractSoundtrack(&soundtrack, &why))
      std::fprintf(stderr, "zarvox-capture: %s; the video has no sound\n", why.c_str());
    videoSink.reset(new capture::VideoSink(ffmpeg, out, soundtrack.WrittenPath(), options, first, last, encoding));
    if (!videoSink->Start()) {
      soundtrack.Discard();
      platform::Shutdown();
      return Fail(videoSink->Error());
    }
    sink = videoSink.get();
  } else {
    pngSink.reset(new capture::PngFolderSink(out));
    sink = pngSink.get();
  }

  capture::ProgressBar progress(stderr);
  capture::Result result = capture::Run(options, sink, &progress);
  progress.Close();
  const bool finished = videoSink != nullptr ? videoSink->Finish() : pngSink->Finish();
  if (!finished && result.error.empty()) {
    result.ok = false;
    result.error = sink->Error();
  }
  soundtrack.Discard();
  platform::Shutdown();
  const int signal = PlatformStopSignal();
  if (signal != 0 && !result.ok && finished) {
    std::fprintf(stderr, "zarvox-capture: interrupted by %s; %lld frames written to %s\n", platform::StopName(signal),
                 static_cast<long long>(result.written), out.c_str());
    return 128 + signal;
  }
  if (!result.ok)
    return Fail(result.error + " (" + std::to_string(result.written) + " frames written)");
  std::fprintf(stderr, "zarvox-capture: %lld frames (%d to %d ms) written to %s\n",
               static_cast<long long>(result.written), capture::FrameMs(first, options.fps),
               capture::FrameMs(first + result.written - 1, options.fps), out.c_str());
  return 0;
}
