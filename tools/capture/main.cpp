// zarvox-capture: renders the whole show at a fixed frame rate and size into
// numbered PNG files or, through ffmpeg, a video with the soundtrack.
#include "capture.h"
#include "sinks.h"

#include "app/demo.h"
#include "archive/data_archive.h"
#include "effects/show_timeline.h"
#include "platform/command_line.h"
#include "platform/data_folder.h"
#include "platform/input_file.h"
#include "platform/session.h"
#include "platform/tap.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

#ifdef _WIN32
// Windows has no close-on-exec flag; not inheriting is its counterpart. Nor
// has it FIFOs or terminals that an open could wait on.
constexpr int kNoInherit = O_NOINHERIT;
constexpr int kWithoutWaiting = 0;
const char kGetFfmpeg[] = "put ffmpeg.exe into a folder on PATH";
const char kSeparators[] = "/\\";
int MakeFolder(const char *path) {
  return mkdir(path);
}
bool IsAbsolute(const std::string &path) {
  return path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':');
}
const char *StopName(int signal) {
  return signal == SIGINT ? "Ctrl+C" : "Ctrl+Break";
}
#else
const char *StopName(int signal) {
  return signal == SIGINT ? "Ctrl+C" : strsignal(signal);
}
constexpr int kNoInherit = O_CLOEXEC;
constexpr int kWithoutWaiting = O_NONBLOCK | O_NOCTTY;
const char kGetFfmpeg[] = "Debian: apt-get install ffmpeg";
const char kSeparators[] = "/";
int MakeFolder(const char *path) {
  return mkdir(path, 0777);
}
bool IsAbsolute(const std::string &path) {
  return path[0] == '/';
}
#endif

const char kUsage[] =
    "usage: zarvox-capture [--fps N] [--size WxH] [--from MS] [--to MS] [--preset NAME] [--crf N] OUT\n"
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

// The working folder; "" when it cannot be told (it was removed, say).
std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

// The show opens the data file by its relative name; so does the capture,
// without blocking on a FIFO in its place.
bool DataFileReadable(std::string *why) {
  const char *reason = "";
  const int fd = PlatformOpenRegularFile(kDataFileName, &reason);
  if (fd < 0) {
    *why = reason;
    return false;
  }
  close(fd);
  return true;
}

// Makes the folder (and missing parents), noting in *made each one made, and
// proves that a file can be made in it.
bool PrepareFolder(const std::string &folder, std::vector<std::string> *made, std::string *why) {
  for (size_t slash = folder.find_first_of(kSeparators, 1); slash != std::string::npos;
       slash = folder.find_first_of(kSeparators, slash + 1))
    if (MakeFolder(folder.substr(0, slash).c_str()) == 0)
      made->push_back(folder.substr(0, slash));
  if (MakeFolder(folder.c_str()) == 0)
    made->push_back(folder);
  else if (errno != EEXIST) {
    *why = std::strerror(errno);
    return false;
  }
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *why = "it is not a folder";
    return false;
  }
  const std::string probe = folder + "/.zarvox-capture-probe-" + std::to_string(getpid());
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | kNoInherit, 0600);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

// Folders the capture made for its frames go again, deepest first, when it
// ends without having written into them (no display, say); rmdir leaves any
// that holds something.
class MadeFolders {
public:
  ~MadeFolders() {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
      rmdir(folder->c_str());
  }
  std::vector<std::string> made;
};

// Proves that the video file can be written, leaving no new file behind.
bool VideoWritable(const std::string &path, std::string *why) {
  struct stat info;
  const bool existed = stat(path.c_str(), &info) == 0;
  if (existed && S_ISDIR(info.st_mode)) {
    *why = "it is a folder";
    return false;
  }
  // Without blocking: a FIFO with nobody reading would hold the capture here.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | kWithoutWaiting | kNoInherit, 0666);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  close(fd);
  if (!existed)
    unlink(path.c_str());
  return true;
}

// A new file in the temporary folder for the soundtrack; -1 with errno set
// when none can be made.
int MakeTemporaryMp3(std::string *path) {
#ifdef _WIN32
  // The temporary folder is the user's own: a name that is taken is skipped.
  const char *tmp = std::getenv("TEMP");
  const std::string folder = tmp != nullptr && tmp[0] != '\0' ? tmp : ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    *path = folder + "\\zarvox-capture-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".mp3";
    const int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | kNoInherit, 0600);
    if (fd >= 0 || errno != EEXIST)
      return fd;
  }
  return -1;
#else
  const char *tmp = std::getenv("TMPDIR");
  *path = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/zarvox-capture-XXXXXX.mp3";
  return mkstemps(&(*path)[0], 4);
#endif
}

// The soundtrack from the data file, written to a temporary file for ffmpeg.
// "" when it cannot be had; *why then says why.
std::string ExtractSoundtrack(std::string *why) {
  DataArchive archive(kDataFileName);
  unsigned char *block = archive.Fetch("zarvox.mp3");
  if (block == nullptr) {
    *why = "zarvox.mp3 could not be extracted from " + std::string(kDataFileName) + " (the debug log says why)";
    return std::string();
  }
  std::string path;
  const int fd = MakeTemporaryMp3(&path);
  bool ok = fd >= 0;
  if (!ok)
    *why = "cannot make a temporary file " + path + ": " + std::strerror(errno);
  for (size_t done = 0; ok && done < archive.size;) {
    const ssize_t n = write(fd, block + done, archive.size - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      *why = "cannot write " + path + ": " + std::strerror(errno);
      ok = false;
    } else {
      done += size_t(n);
    }
  }
  std::free(block);
  if (fd >= 0 && close(fd) != 0 && ok) {
    *why = "cannot write " + path + ": " + std::strerror(errno);
    ok = false;
  }
  if (!ok && fd >= 0)
    unlink(path.c_str());
  return ok ? path : std::string();
}

// PNG frames go to a folder: one that exists, a name ending in '/', or a
// name without an extension (which cannot be taken for a video).
bool NamesAFolder(const std::string &out) {
  struct stat info;
  if (out.back() == '/' || (stat(out.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
    return true;
  const size_t slash = out.find_last_of(kSeparators);
  const std::string name = out.substr(slash == std::string::npos ? 0 : slash + 1);
  return name.find('.', 1) == std::string::npos;
}

} // namespace

int main(int argc, char **argv) {
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
  const std::string here = CurrentDirectory();
  if (platform::FindDataFile(kDataFileName) && !IsAbsolute(out)) {
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
    ffmpeg = capture::FindOnPath("ffmpeg");
    if (ffmpeg.empty())
      return Fail(std::string("a video needs ffmpeg, which is not on PATH (") + kGetFfmpeg +
                  "); or give a folder to get PNG files");
    if (!VideoWritable(out, &why))
      return Fail("cannot write the video " + out + ": " + why);
  } else if (!PrepareFolder(out, &madeFolders.made, &why)) {
    return Fail("cannot write frames into the folder " + out + ": " + why);
  }
  if (!platform::OpenDisplay(&why))
    return Fail(why);
#ifndef _WIN32
  // A pipe whose reader died must give an error, not end the program.
  std::signal(SIGPIPE, SIG_IGN);
#endif

  std::string soundtrack;
  std::unique_ptr<capture::VideoSink> videoSink;
  std::unique_ptr<capture::PngFolderSink> pngSink;
  capture::FrameSink *sink = nullptr;
  if (video) {
    soundtrack = ExtractSoundtrack(&why);
    if (soundtrack.empty())
      std::fprintf(stderr, "zarvox-capture: %s; the video has no sound\n", why.c_str());
    videoSink.reset(new capture::VideoSink(ffmpeg, out, soundtrack, options, first, last, encoding));
    if (!videoSink->Start()) {
      if (!soundtrack.empty())
        unlink(soundtrack.c_str());
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
  if (!soundtrack.empty())
    unlink(soundtrack.c_str());
  platform::Shutdown();
  const int signal = PlatformStopSignal();
  if (signal != 0 && !result.ok && finished) {
    std::fprintf(stderr, "zarvox-capture: interrupted by %s; %lld frames written to %s\n", StopName(signal),
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
