// SPDX-License-Identifier: MIT
// Run under Wine (or on Windows): the layer's temporary files and the
// console's stop, which Windows runs on a thread of its own at any moment. A
// name that is taken is never entered among the files a stop removes, not
// even for the moment its CreateFile fails: a stop spun on another thread
// the whole time removes nothing of someone else's. Usage:
//   output_file_test.exe FOLDER
#include "common/output_file.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

volatile LONG stopping = 0;

// A stop, again and again, as if Ctrl+C came at every moment.
DWORD WINAPI Stops(void *) {
  while (!stopping)
    platform::RemovePendingFiles();
  return 0;
}

bool HoldsPrecious(const std::string &path) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  char text[16] = {};
  const bool holds = file != nullptr && std::fread(text, 1, sizeof text, file) == 8 && std::string(text) == "precious";
  if (file != nullptr)
    std::fclose(file);
  return holds;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2)
    return 2;
  const std::string folder = std::string(argv[1]) + "\\";
  std::FILE *someones = std::fopen((folder + "taken.txt").c_str(), "wb");
  if (someones == nullptr || std::fputs("precious", someones) < 0 || std::fclose(someones) != 0)
    return 2;
  const HANDLE thread = CreateThread(nullptr, 0, Stops, nullptr, 0, nullptr);
  int refused = 0;
  for (int attempt = 0; attempt < 3000 && HoldsPrecious(folder + "taken.txt"); ++attempt) {
    std::FILE *stream = nullptr;
    bool taken = false;
    std::string why;
    const int pending = platform::CreatePendingFile(folder, "taken.txt", false, &stream, &taken, &why);
    if (pending >= 0) {
      std::fprintf(stderr, "output_file_test: a name that was taken was made anew\n");
      return 1;
    }
    refused += taken ? 1 : 0;
  }
  InterlockedExchange(&stopping, 1);
  WaitForSingleObject(thread, INFINITE);
  if (!HoldsPrecious(folder + "taken.txt")) {
    std::fprintf(stderr, "output_file_test: a stop removed a file of someone else's (after %d refusals)\n", refused);
    return 1;
  }
  std::printf("ok: 3000 refusals of a name that was taken; a stop on another thread removed nothing\n");
  return 0;
}
