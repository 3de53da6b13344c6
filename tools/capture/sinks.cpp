// SPDX-License-Identifier: MIT
// PNG files, the ffmpeg pipe and the progress bar of zarvox-capture.
#include "sinks.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <unistd.h>

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
    // Each frame is a temporary file of the layer's until whole: at most 32
    // at once.
    const int cores = std::min(32, int(std::thread::hardware_concurrency()));
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
  // A capture stopped early ends the file with its last frame. The output
  // is always a file: "file:" keeps a name such as "pipe:1.mkv" from being
  // taken for one of ffmpeg's protocols.
  args.insert(args.end(), {"-shortest", "file:" + output});
  if (!process.Start(args, &error))
    return false;
  started = true;
  // One thread writes, in order; a few frames ahead cover ffmpeg's uneven pace.
  queue.reset(new FrameQueue(1, 4, [this](int64_t, std::vector<uint8_t> &frame) {
    std::string why;
    return process.Write(frame.data(), frame.size(), &why) ? std::string()
                                                           : "ffmpeg stopped taking frames (" + why + ")";
  }));
  return true;
}

bool VideoSink::Frame(int64_t index, const uint8_t *rgba, int width, int height, bool) {
  if (queue == nullptr) {
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
  // ffmpeg's end explains a pipe that stopped taking frames.
  std::string why;
  if (started && !process.Finish(&why))
    error = "ffmpeg " + why;
  started = false;
  return error.empty();
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
