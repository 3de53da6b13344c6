// zarvox-capture: renders the whole show at a fixed frame rate and size into
// numbered PNG files or, through ffmpeg, a video with the soundtrack.
#include "capture.h"
#include "sinks.h"

#include "app/data_archive.h"
#include "app/demo.h"
#include "user/video.h"

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

namespace {

const char kUsage[] = "usage: zarvox-capture [--fps N] [--size WxH] [--from MS] [--to MS] OUT\n"
                      "Renders the show from zarvox.dat in the current directory, frame by frame:\n"
                      "frame i is what the show draws at i * 1000 / N ms. Every frame from the\n"
                      "start is rendered; --from and --to choose the show times written.\n"
                      "\n"
                      "  --fps N      frames per show second, 1 to 1000 (default 60)\n"
                      "  --size WxH   window size in pixels (default 640x480)\n"
                      "  --from MS    first show time written, in ms (default 0)\n"
                      "  --to MS      last show time written, in ms (default: the show's end)\n"
                      "  OUT          a folder, which receives frame-NNNNNN.png (N = frame index),\n"
                      "               or a file ending in .mp4, .mkv or .webm, encoded by ffmpeg\n"
                      "               with the soundtrack\n";

int UsageError(const std::string &message) {
  std::fprintf(stderr, "zarvox-capture: %s (try --help)\n", message.c_str());
  return 2;
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

std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

// The show opens the data file by its relative name; so does the capture.
bool DataFileReadable(std::string *why) {
  const int fd = open(kDataFileName, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  struct stat info;
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  if (!regular)
    *why = "it is not a file";
  return regular;
}

// Makes the folder (and missing parents) and proves that a file can be made
// in it.
bool PrepareFolder(const std::string &folder, std::string *why) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    mkdir(folder.substr(0, slash).c_str(), 0777);
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    *why = std::strerror(errno);
    return false;
  }
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *why = "it is not a folder";
    return false;
  }
  const std::string probe = folder + "/.zarvox-capture-probe-" + std::to_string(getpid());
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

// Proves that the video file can be written, leaving no new file behind.
bool VideoWritable(const std::string &path, std::string *why) {
  struct stat info;
  const bool existed = stat(path.c_str(), &info) == 0;
  if (existed && S_ISDIR(info.st_mode)) {
    *why = "it is a folder";
    return false;
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  close(fd);
  if (!existed)
    unlink(path.c_str());
  return true;
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
  const char *tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/zarvox-capture-XXXXXX.mp3";
  const int fd = mkstemps(&path[0], 4);
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

} // namespace

int main(int argc, char **argv) {
  capture::Options options;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      if (!out.empty())
        return UsageError("more than one output given");
      out = arg;
      continue;
    }
    const size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    } else if (arg == "--fps" || arg == "--size" || arg == "--from" || arg == "--to") {
      if (i + 1 >= argc)
        return UsageError(arg + " needs a value");
      value = argv[++i];
    }
    long long number = 0;
    if (arg == "--fps") {
      if (!ParseNumber(value, 1, 1000, &number))
        return UsageError("--fps takes a whole number from 1 to 1000, not \"" + value + "\"");
      options.fps = int(number);
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
  if (!capture::WrittenFrames(options, 128, &first, &last))
    return UsageError("no frame lies in that time range: the show ends at 127500 ms");
  const bool video = capture::IsVideoName(out);
  if (video && (options.width % 2 != 0 || options.height % 2 != 0))
    return UsageError("a video needs an even width and height");

  // Everything that can be checked before a window opens.
  std::string why;
  if (!DataFileReadable(&why))
    return Fail("cannot open the data file \"" + std::string(kDataFileName) + "\" in " + CurrentDirectory() + ": " + why);
  std::string ffmpeg;
  if (video) {
    ffmpeg = capture::FindOnPath("ffmpeg");
    if (ffmpeg.empty())
      return Fail("a video needs ffmpeg, which is not on PATH (Debian: apt-get install ffmpeg); "
                  "or give a folder to get PNG files");
    if (!VideoWritable(out, &why))
      return Fail("cannot write the video " + out + ": " + why);
  } else if (!PrepareFolder(out, &why)) {
    return Fail("cannot write frames into the folder " + out + ": " + why);
  }
  if (!platform::OpenDisplay(&why))
    return Fail(why);
  // A pipe whose reader died must give an error, not end the program.
  std::signal(SIGPIPE, SIG_IGN);

  std::string soundtrack;
  std::unique_ptr<capture::VideoSink> videoSink;
  std::unique_ptr<capture::PngFolderSink> pngSink;
  capture::FrameSink *sink = nullptr;
  if (video) {
    soundtrack = ExtractSoundtrack(&why);
    if (soundtrack.empty())
      std::fprintf(stderr, "zarvox-capture: %s; the video has no sound\n", why.c_str());
    videoSink.reset(new capture::VideoSink(ffmpeg, out, soundtrack, options, first, last));
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
  if (videoSink != nullptr && !videoSink->Finish() && result.error.empty()) {
    result.ok = false;
    result.error = videoSink->Error();
  }
  if (!soundtrack.empty())
    unlink(soundtrack.c_str());
  platform::Shutdown();
  if (!result.ok)
    return Fail(result.error + " (" + std::to_string(result.written) + " frames written)");
  std::fprintf(stderr, "zarvox-capture: %lld frames (%d to %d ms) written to %s\n",
               static_cast<long long>(result.written), capture::FrameMs(first, options.fps),
               capture::FrameMs(first + result.written - 1, options.fps), out.c_str());
  return 0;
}
