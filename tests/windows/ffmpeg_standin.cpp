// SPDX-License-Identifier: MIT
// Stands in for ffmpeg where no real one can run (Windows programs under
// Wine cannot pipe into a Linux ffmpeg): for the output file:OUT, the last
// argument (refused without "file:", which ffmpeg would read as a protocol
// name in OUT), it writes its arguments one a line to OUT.args (the sound
// input and the output by role, so both systems' lists compare), its
// standard input to OUT.raw, a copy of the sound input to OUT.sound, and an
// empty OUT.
#include <cstdio>
#include <cstring>
#include <string>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

bool Copy(std::FILE *from, const std::string &to) {
  std::FILE *out = std::fopen(to.c_str(), "wb");
  if (from == nullptr || out == nullptr)
    return false;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, from)) > 0;)
    std::fwrite(buffer, 1, got, out);
  return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  if (argc < 2 || std::strncmp(argv[argc - 1], "file:", 5) != 0) {
    std::fprintf(stderr, "ffmpeg stand-in: the output is not named as a file (file:NAME)\n");
    return 2;
  }
  const std::string out = argv[argc - 1] + 5;
  std::string sound;
  std::FILE *args = std::fopen((out + ".args").c_str(), "wb");
  int inputs = 0;
  for (int i = 1; args != nullptr && i < argc; ++i) {
    const bool soundInput = i > 1 && std::strcmp(argv[i - 1], "-i") == 0 && ++inputs == 2;
    if (soundInput)
      sound = argv[i];
    std::fprintf(args, "%s\n", soundInput ? "SOUND" : i == argc - 1 ? "OUT" : argv[i]);
  }
  if (args == nullptr || std::fclose(args) != 0 || !Copy(stdin, out + ".raw"))
    return 1;
  std::FILE *soundFile = sound.empty() ? nullptr : std::fopen(sound.c_str(), "rb");
  if (soundFile != nullptr && !Copy(soundFile, out + ".sound"))
    return 1;
  if (soundFile != nullptr)
    std::fclose(soundFile);
  std::FILE *made = std::fopen(out.c_str(), "wb");
  return made != nullptr && std::fclose(made) == 0 ? 0 : 1;
}
