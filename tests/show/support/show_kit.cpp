// SPDX-License-Identifier: MIT
// Scratch folders, programs run as a user would, the data file's block
// layout and pixel statistics for the tests of the whole show.
#include "show_kit.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace showkit {

// ---- files ------------------------------------------------------------------

std::string BinaryDir() {
  return ZARVOX_BINARY_DIR;
}
std::string Program(const char *name) {
  return BinaryDir() + "/bin/" + name;
}
std::string DataFile() {
  return BinaryDir() + "/bin/zarvox.dat";
}
std::string MediaDir() {
  return BinaryDir() + "/media";
}

bool ReadFile(const std::string &path, Bytes *data) {
  FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return false;
  data->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    data->insert(data->end(), buffer, buffer + n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

bool WriteFile(const std::string &path, const Bytes &data) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return false;
  const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  return std::fclose(file) == 0 && written;
}

std::string ReadText(const std::string &path) {
  Bytes data;
  return ReadFile(path, &data) ? std::string(data.begin(), data.end()) : std::string();
}

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> ListDir(const std::string &path) {
  std::vector<std::string> names;
  if (DIR *dir = opendir(path.c_str())) {
    while (dirent *entry = readdir(dir))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
        names.push_back(entry->d_name);
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// ---- programs ---------------------------------------------------------------

namespace {

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void ExecChild(const std::vector<std::string> &argv, const RunOptions &options, const std::string &out,
                            const std::string &err) {
  if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0)
    _exit(126);
  for (const std::string &name : options.unsetEnv)
    unsetenv(name.c_str());
  for (const std::string &pair : options.setEnv) {
    const size_t eq = pair.find('=');
    setenv(pair.substr(0, eq).c_str(), pair.substr(eq + 1).c_str(), 1);
  }
  const int in = open("/dev/null", O_RDONLY);
  const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || o < 0 || e < 0)
    _exit(126);
  dup2(in, 0);
  dup2(o, 1);
  dup2(e, 2);
  std::vector<char *> args;
  for (const std::string &arg : argv)
    args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status))
    return WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    return 128 + WTERMSIG(status);
  return -1;
}

} // namespace

RunResult RunProgram(const std::vector<std::string> &argv, const RunOptions &options) {
  RunResult result;
  Child child(argv, options);
  if (!child.Started())
    return result;
  if (!child.Wait(options.timeoutSeconds)) {
    result.timedOut = true;
    child.Kill();
    child.Wait(10);
  }
  result.status = child.Status();
  result.out = child.Out();
  result.err = child.Err();
  return result;
}

Child::Child(const std::vector<std::string> &argv, const RunOptions &options) {
  outFile = files / "stdout";
  errFile = files / "stderr";
  std::fflush(nullptr);
  pid = fork();
  if (pid == 0)
    ExecChild(argv, options, outFile, errFile);
}

Child::~Child() {
  if (pid > 0 && !reaped) {
    Kill();
    Wait(10);
  }
}

bool Child::Running() {
  if (pid <= 0 || reaped)
    return false;
  int raw = 0;
  if (waitpid(pid, &raw, WNOHANG) == pid) {
    reaped = true;
    status = DecodeStatus(raw);
    return false;
  }
  return true;
}

bool Child::Wait(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return pid > 0;
}

void Child::Kill(int signal) {
  if (pid > 0 && !reaped)
    kill(pid, signal);
}

std::string Child::Err() const {
  return ReadText(errFile);
}

std::string Child::Out() const {
  return ReadText(outFile);
}

// ---- the data file's layout -------------------------------------------------

namespace {
uint32_t Le(const Bytes &b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = (v << 8) | b[at + size_t(i)];
  return v;
}
} // namespace

bool ArchiveLayout(const Bytes &archive, std::vector<EntryLayout> *entries) {
  static const uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  entries->clear();
  if (archive.size() < 7 || std::memcmp(archive.data(), kMarker, 7) != 0)
    return false;
  size_t at = 7;
  while (at + 7 <= archive.size()) {
    const uint8_t type = archive[at + 2];
    const uint32_t flags = Le(archive, at + 3, 2);
    const size_t headerSize = Le(archive, at + 5, 2);
    if (headerSize < 7 || at + headerSize > archive.size())
      return false;
    size_t dataSize = 0;
    if (type == 0x74) { // a file: packed size at 7, name length at 26, name at 32
      if (headerSize < 32)
        return false;
      EntryLayout entry;
      dataSize = Le(archive, at + 7, 4);
      const size_t nameSize = Le(archive, at + 26, 2);
      entry.headerStart = at;
      entry.headerSize = headerSize;
      entry.nameStart = at + 32 + ((flags & 0x100) != 0 ? 8 : 0);
      if (entry.nameStart + nameSize > at + headerSize)
        return false;
      entry.name.assign(archive.begin() + long(entry.nameStart), archive.begin() + long(entry.nameStart + nameSize));
      entry.dataStart = at + headerSize;
      entry.dataSize = dataSize;
      entries->push_back(entry);
    } else if ((flags & 0x8000) != 0) {
      dataSize = Le(archive, at + 7, 4);
    }
    at += headerSize + dataSize;
  }
  return !entries->empty() && at <= archive.size();
}

// ---- pictures ---------------------------------------------------------------

namespace {
bool Near(const uint8_t *p, uint32_t colour, int tolerance) {
  return std::abs(p[0] - int((colour >> 16) & 0xFF)) <= tolerance &&
         std::abs(p[1] - int((colour >> 8) & 0xFF)) <= tolerance && std::abs(p[2] - int(colour & 0xFF)) <= tolerance;
}
} // namespace

double Picture::Share(bool (*test)(int r, int g, int b)) const {
  size_t hits = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3)
    hits += test(rgb[i], rgb[i + 1], rgb[i + 2]);
  return rgb.empty() ? 0 : double(hits) / double(rgb.size() / 3);
}

double Picture::ShareColoured(int spread) const {
  size_t hits = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
    const int lo = std::min({rgb[i], rgb[i + 1], rgb[i + 2]});
    const int hi = std::max({rgb[i], rgb[i + 1], rgb[i + 2]});
    hits += hi - lo > spread;
  }
  return rgb.empty() ? 0 : double(hits) / double(rgb.size() / 3);
}

bool Picture::NonWhiteBox(int *x0, int *y0, int *x1, int *y1, int tolerance) const {
  *x0 = width, *y0 = height, *x1 = -1, *y1 = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!Near(At(x, y), 0xFFFFFF, tolerance)) {
        *x0 = std::min(*x0, x), *x1 = std::max(*x1, x + 1);
        *y0 = std::min(*y0, y), *y1 = std::max(*y1, y + 1);
      }
  return *x1 >= 0;
}

bool Picture::Uniform() const {
  for (size_t i = 3; i + 2 < rgb.size(); i += 3)
    if (std::memcmp(&rgb[i], &rgb[0], 3) != 0)
      return false;
  return true;
}

bool ReadPng(const std::string &path, Picture *picture) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  image.format = PNG_FORMAT_RGB;
  picture->width = int(image.width);
  picture->height = int(image.height);
  picture->rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return true;
}

} // namespace showkit
