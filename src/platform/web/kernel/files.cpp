// SPDX-License-Identifier: MIT
// Files in the browser: the page fetches the data file into the in-memory file
// system before the program starts, so there is one folder and no log.
#include "platform/data_folder.h"
#include "platform/input_file.h"
#include "platform/private_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::vector<std::string> DataFolders() {
  // The loader fetched the file from beside the page into the current folder.
  return {"the page's own folder on its web server"};
}

bool FindDataFile(const char *) {
  return false;
}

bool StateFolder(const char *, char *, size_t) {
  return false; // no debug log: nobody could read it
}

int OpenLogFolder(const char *) {
  return -1;
}

void CloseLogFolder(int) {}

int OpenLogFile(int, const char *, bool) {
  return -1;
}

} // namespace platform

int PlatformOpenRegularFile(const char *path, const char **why) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) {
    if (why != nullptr)
      *why = std::strerror(errno);
    return -1;
  }
  struct stat facts;
  if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    close(fd);
    if (why != nullptr)
      *why = "not a regular file";
    return -1;
  }
  return fd;
}

std::FILE *PlatformOpenRegularFileStream(const char *path, const char **why) {
  const int fd = PlatformOpenRegularFile(path, why);
  std::FILE *file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
  if (file == nullptr && fd >= 0)
    close(fd);
  return file;
}

bool PlatformDescribeFile(std::FILE *file, PlatformFileFacts *facts) {
  struct stat status;
  if (file == nullptr || facts == nullptr || fstat(fileno(file), &status) != 0)
    return false;
  *facts = PlatformFileFacts{};
  facts->size = uint64_t(status.st_size);
  facts->modified = int64_t(status.st_mtime);
  facts->volume = uint64_t(status.st_dev);
  facts->index = uint64_t(status.st_ino);
  return true;
}

bool PlatformLocalTime(int64_t seconds, std::tm *local) {
  const time_t at = time_t(seconds);
  return localtime_r(&at, local) != nullptr;
}
