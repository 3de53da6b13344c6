// SPDX-License-Identifier: MIT
// Runs the fuzz target once over each file named on the command line (or
// each file in a named folder), as a plain program: no fuzzing engine needed.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {
int replay_file(const std::string &path) {
  FILE *file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    fprintf(stderr, "replay: cannot open %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> data;
  uint8_t buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
    data.insert(data.end(), buffer, buffer + got);
  fclose(file);
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return 0;
}
} // namespace

int main(int argc, char **argv) {
  int failures = 0;
  int files = 0;
  for (int i = 1; i < argc; i++) {
    struct stat info;
    if (stat(argv[i], &info) != 0) {
      fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
      failures++;
      continue;
    }
    if (!S_ISDIR(info.st_mode)) {
      failures += replay_file(argv[i]);
      files++;
      continue;
    }
    DIR *dir = opendir(argv[i]);
    if (dir == nullptr)
      continue;
    while (const dirent *entry = readdir(dir)) {
      std::string path = std::string(argv[i]) + "/" + entry->d_name;
      if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        failures += replay_file(path);
        files++;
      }
    }
    closedir(dir);
  }
  printf("replayed %d inputs\n", files);
  return failures == 0 ? 0 : 1;
}
