// PNG files, the ffmpeg pipe and the progress bar of zarvox-capture.
#include "sinks.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;
#endif

namespace capture {

namespace {

// Turns a bottom-row-first RGBA frame into top-row-first RGB.
void ToTopFirstRgb(const uint8_t *rgba, int width, int height, std::vector<uint8_t> *rgb) {
  rgb->resize(size_t(width) * size_t(height) * 3);
  uint8_t *out = rgb->data();
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t *in = rgba + size_t(y) * size_t(width) * 4;
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
}

double MonotonicSeconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

bool EndsWith(const std::string &text, const char *tail) {
  const size_t n = std::strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

std::string Seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

#ifdef _WIN32
// One argument as the C runtime's command-line parser reads it back: quoted
// when it holds a space, a tab or a quote, with the backslashes before a
// quote doubled.
std::string QuotedArgument(const std::string &arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
    return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}
#endif

} // namespace

std::string FrameFileName(int64_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(index));
  return name;
}

// ---- frames handed to threads -----------------------------------------------

FrameQueue::FrameQueue(int count, size_t capacity_, std::function<std::string(int64_t, std::vector<uint8_t> &)> work_)
    : work(std::move(work_)), capacity(capacity_ > 0 ? capacity_ : 1) {
  for (int i = 0; i < std::max(1, count); ++i)
    threads.emplace_back([this] { Work(); });
}

FrameQueue::~FrameQueue() {
  Finish();
}

bool FrameQueue::Push(int64_t index, std::vector<uint8_t> *frame) {
  std::unique_lock<std::mutex> guard(lock);
  changed.wait(guard, [this] { return queue.size() < capacity || !failure.empty(); });
  if (!failure.empty())
    return false;
  queue.emplace_back(index, std::move(*frame));
  frame->clear();
  if (!spares.empty()) {
    frame->swap(spares.back());
    spares.pop_back();
  }
  changed.notify_all();
  return true;
}

void FrameQueue::Work() {
  std::unique_lock<std::mutex> guard(lock);
  for (;;) {
    changed.wait(guard, [this] { return !queue.empty() || closing; });
    if (queue.empty())
      return;
    std::pair<int64_t, std::vector<uint8_t>> job = std::move(queue.front());
    queue.pop_front();
    changed.notify_all();
    const bool skip = !failure.empty(); // after a failure, what is queued is dropped
    guard.unlock();
    std::string failed = skip ? std::string() : work(job.first, job.second);
    guard.lock();
    if (!failed.empty() && failure.empty())
      failure = failed;
    spares.push_back(std::move(job.second));
    changed.notify_all();
  }
}

std::string FrameQueue::Finish() {
  {
    std::lock_guard<std::mutex> guard(lock);
    closing = true;
  }
  changed.notify_all();
  for (std::thread &thread : threads)
    thread.join();
  threads.clear();
  return failure;
}

// ---- PNG files --------------------------------------------------------------

PngFolderSink::PngFolderSink(std::string folder_, int level) : folder(std::move(folder_)), compressionLevel(level) {}

bool PngFolderSink::Frame(int64_t index, const uint8_t *rgba, int width_, int height_, bool) {
  if (queue == nullptr) {
    width = width_, height = height_;
    const int cores = int(std::thread::hardware_concurrency());
    queue.reset(new FrameQueue(
        std::max(1, cores), size_t(2 * std::max(1, cores)), [this](int64_t written, std::vector<uint8_t> &pixels) {
          media::Image image;
          image.width = width;
          image.height = height;
          image.channels = 3;
          ToTopFirstRgb(pixels.data(), width, height, &image.pixels);
          const std::string path = folder + "/" + FrameFileName(written);
          std::string why;
          return media::WritePng(path.c_str(), image, &why, compressionLevel) ? std::string() : why;
        }));
  }
  if (width_ != width || height_ != height) {
    error = "the frames changed size";
    return false;
  }
  frame.assign(rgba, rgba + size_t(width) * size_t(height) * 4);
  if (!queue->Push(index, &frame)) {
    Finish();
    return false;
  }
  return true;
}

bool PngFolderSink::Finish() {
  if (queue != nullptr) {
    const std::string failed = queue->Finish();
    if (error.empty())
      error = failed;
    queue.reset();
  }
  return error.empty();
}

// ---- video through ffmpeg ---------------------------------------------------

bool IsVideoName(const std::string &path) {
  return EndsWith(path, ".mp4") || EndsWith(path, ".mkv") || EndsWith(path, ".webm");
}

#ifdef _WIN32
// Windows lists PATH with ';' and finds programs by their ".exe".
constexpr char kPathSeparator = ';';
const char kProgramSuffix[] = ".exe";
bool Runnable(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
#else
constexpr char kPathSeparator = ':';
const char kProgramSuffix[] = "";
bool Runnable(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}
#endif

std::string FindOnPath(const std::string &program) {
  const char *path = std::getenv("PATH");
  if (path == nullptr)
    return std::string();
  std::string list = path;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(kPathSeparator, start);
    if (end == std::string::npos)
      end = list.size();
    std::string folder = list.substr(start, end - start);
    if (folder.empty())
      folder = ".";
    const std::string candidate = folder + "/" + program + kProgramSuffix;
    if (Runnable(candidate))
      return candidate;
    start = end + 1;
  }
  return std::string();
}

const char *const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                "medium",    "slow",      "slower",   "veryslow", nullptr};

VideoSink::VideoSink(std::string ffmpeg_, std::string output_, std::string soundtrack_, const Options &options_,
                     int64_t firstFrame_, int64_t lastFrame_, Encoding encoding_)
    : ffmpeg(std::move(ffmpeg_)), output(std::move(output_)), soundtrack(std::move(soundtrack_)), options(options_),
      firstFrame(firstFrame_), lastFrame(lastFrame_), encoding(std::move(encoding_)) {}

VideoSink::~VideoSink() {
  Finish();
}

bool VideoSink::Start() {
  const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
  std::vector<std::string> args = {
      ffmpeg,     "-hide_banner", "-nostdin", "-loglevel",   "error", "-y",         "-f",
      "rawvideo", "-pix_fmt",     "rgb24",    "-video_size", size,    "-framerate", std::to_string(options.fps),
      "-i",       "pipe:0"};
  if (!soundtrack.empty()) {
    // The sound of the written frames only: from the first frame's time for
    // as long as the frames last.
    const double start = double(firstFrame) / options.fps;
    const double length = double(lastFrame - firstFrame + 1) / options.fps;
    args.insert(args.end(), {"-ss", Seconds(start), "-t", Seconds(length), "-i", soundtrack});
  }
  args.insert(args.end(), {"-map", "0:v:0"});
  if (!soundtrack.empty())
    args.insert(args.end(), {"-map", "1:a:0"});
  if (EndsWith(output, ".webm")) {
    const std::string crf = std::to_string(encoding.crf >= 0 ? encoding.crf : 30);
    args.insert(args.end(), {"-c:v", "libvpx-vp9", "-crf", crf, "-b:v", "0", "-row-mt", "1", "-deadline", "good",
                             "-cpu-used", "4", "-pix_fmt", "yuv420p", "-c:a", "libopus", "-b:a", "160k"});
  } else {
    const std::string crf = std::to_string(encoding.crf >= 0 ? encoding.crf : 18);
    args.insert(args.end(), {"-c:v", "libx264", "-preset", encoding.preset, "-crf", crf, "-pix_fmt", "yuv420p", "-c:a",
                             "aac", "-b:a", "192k"});
    if (EndsWith(output, ".mp4"))
      args.insert(args.end(), {"-movflags", "+faststart"});
  }
  // A capture stopped early ends the file with its last frame.
  args.insert(args.end(), {"-shortest", output});
  if (!Spawn(args))
    return false;
  // One thread writes, in order; a few frames ahead cover ffmpeg's uneven pace.
  queue.reset(new FrameQueue(1, 4, [this](int64_t, std::vector<uint8_t> &frame) {
    const uint8_t *data = frame.data();
    size_t left = frame.size();
    while (left > 0) {
      const auto n = ::write(pipe, data, unsigned(std::min<size_t>(left, 1u << 30)));
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        return "ffmpeg stopped taking frames (" + std::string(std::strerror(errno)) + ")";
      data += n;
      left -= size_t(n);
    }
    return std::string();
  }));
  return true;
}

#ifdef _WIN32
bool VideoSink::Spawn(std::vector<std::string> args) {
  std::string commandLine;
  for (const std::string &arg : args)
    commandLine += (commandLine.empty() ? "" : " ") + QuotedArgument(arg);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0) || !SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0)) {
    error = "cannot make a pipe to ffmpeg (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started = {};
  // A process group of its own: Ctrl+C at the console stops the capture,
  // which then closes the pipe, and ffmpeg finishes a playable file.
  const BOOL ok = CreateProcessA(ffmpeg.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                                 nullptr, nullptr, &startup, &started);
  const DWORD why = GetLastError();
  CloseHandle(readEnd);
  if (!ok) {
    CloseHandle(writeEnd);
    error = "cannot start " + ffmpeg + " (error " + std::to_string(why) + ")";
    return false;
  }
  CloseHandle(started.hThread);
  process = started.hProcess;
  pipe = _open_osfhandle(intptr_t(writeEnd), _O_WRONLY | _O_BINARY);
  if (pipe < 0) {
    CloseHandle(writeEnd);
    error = "cannot write to ffmpeg's pipe";
    return false;
  }
  return true;
}

bool VideoSink::Wait() {
  if (process == nullptr)
    return error.empty();
  DWORD status = 1;
  WaitForSingleObject(process, INFINITE);
  GetExitCodeProcess(process, &status);
  CloseHandle(process);
  process = nullptr;
  // ffmpeg's end explains a pipe that stopped taking frames.
  if (status != 0)
    error = "ffmpeg failed with exit status " + std::to_string(status);
  return error.empty();
}
#else
bool VideoSink::Spawn(std::vector<std::string> args) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group: Ctrl+C on the terminal stops the capture, which
  // then closes the pipe, and ffmpeg finishes a playable file of what it got.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  std::vector<char *> argv;
  for (std::string &arg : args)
    argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&child, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(fds[0]);
  if (spawned != 0) {
    ::close(fds[1]);
    child = -1;
    error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
    return false;
  }
  pipe = fds[1];
  return true;
}

bool VideoSink::Wait() {
  if (child < 0)
    return error.empty();
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  child = -1;
  // ffmpeg's end explains a pipe that stopped taking frames.
  if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
    error = WIFEXITED(status) ? "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status))
                              : "ffmpeg was killed by signal " + std::to_string(WTERMSIG(status));
  }
  return error.empty();
}
#endif

bool VideoSink::Frame(int64_t index, const uint8_t *rgba, int width, int height, bool) {
  if (pipe < 0 || queue == nullptr) {
    if (error.empty())
      error = "ffmpeg is not running";
    return false;
  }
  ToTopFirstRgb(rgba, width, height, &rgb);
  if (!queue->Push(index, &rgb)) {
    Finish();
    return false;
  }
  return true;
}

bool VideoSink::Finish() {
  if (queue != nullptr) {
    const std::string failed = queue->Finish();
    if (error.empty())
      error = failed;
    queue.reset();
  }
  if (pipe >= 0) {
    ::close(pipe);
    pipe = -1;
  }
  return Wait() && error.empty();
}

// ---- progress bar -----------------------------------------------------------

ProgressBar::ProgressBar(FILE *stream_)
    : stream(stream_), terminal(isatty(fileno(stream_)) != 0), startSeconds(MonotonicSeconds()) {}

ProgressBar::~ProgressBar() {
  Close();
}

void ProgressBar::Rendered(int64_t index, int64_t lastIndex) {
  if (!terminal)
    return;
  const double now = MonotonicSeconds();
  // A terminal needs no more than ten updates a second.
  if (index < lastIndex && lastDrawSeconds >= 0 && now - lastDrawSeconds < 0.1)
    return;
  lastDrawSeconds = now;
  const int64_t done = index + 1, total = lastIndex + 1;
  const double rate = now > startSeconds ? double(done) / (now - startSeconds) : 0;
  const int64_t left = rate > 0 ? int64_t(double(total - done) / rate + 0.5) : 0;
  constexpr int kWidth = 30;
  char bar[kWidth + 1];
  const int filled = int(done * kWidth / (total > 0 ? total : 1));
  for (int i = 0; i < kWidth; ++i)
    bar[i] = i < filled ? '#' : '-';
  bar[kWidth] = '\0';
  std::fprintf(stream, "\r[%s] %lld/%lld frames  %.1f fps  %lld:%02lld left ", bar, static_cast<long long>(done),
               static_cast<long long>(total), rate, static_cast<long long>(left / 60),
               static_cast<long long>(left % 60));
  std::fflush(stream);
  drawn = true;
}

void ProgressBar::Close() {
  if (drawn)
    std::fputc('\n', stream);
  drawn = false;
}

} // namespace capture
