// SPDX-License-Identifier: MIT
// The Windows side of the sound check under Wine: plays an MP3 through the
// Windows layer's FSOUND as the show does, for a harness on the host that
// records what reaches the sound server.
//   windows_sound_play OUTPUT-TYPE FILE SECONDS GO-FILE
// Opens output type OUTPUT-TYPE (1 waveOut, 2 DirectSound) at 44.1 kHz and
// the stream from FILE, prints "ready", waits until GO-FILE exists (the
// harness's recorder is running by then), plays, prints "playing" the moment
// FSOUND_Stream_Play returns, and closes everything SECONDS later. Status 0,
// or 1 with the failing call on stderr.
#include "platform/fsound.h"
#include "platform/tap.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int Fail(const char *call) {
  std::fprintf(stderr, "windows_sound_play: %s failed (FSOUND error %d)\n", call, FSOUND_GetError());
  return 1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: windows_sound_play OUTPUT-TYPE FILE SECONDS GO-FILE\n");
    return 2;
  }
  std::FILE *file = std::fopen(argv[2], "rb");
  std::vector<char> mp3;
  char buffer[65536];
  for (size_t got; file != nullptr && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    mp3.insert(mp3.end(), buffer, buffer + got);
  if (file == nullptr || mp3.empty()) {
    std::fprintf(stderr, "windows_sound_play: cannot read %s\n", argv[2]);
    return 1;
  }
  std::fclose(file);
  if (!FSOUND_SetOutput(std::atoi(argv[1])) || !FSOUND_SetDriver(0))
    return Fail("FSOUND_SetOutput");
  if (!FSOUND_Init(44100, 32, 0))
    return Fail("FSOUND_Init");
  // The show's own mode: the block read in place, played once.
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(mp3.data(), 0x802B, int(mp3.size()));
  if (stream == nullptr)
    return Fail("FSOUND_Stream_OpenFile");
  std::printf("ready\n");
  std::fflush(stdout);
  while (GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES)
    Sleep(5);
  if (FSOUND_Stream_Play(FSOUND_FREE, stream) < 0)
    return Fail("FSOUND_Stream_Play");
  std::printf("playing\n");
  std::fflush(stdout);
  Sleep(DWORD(std::atof(argv[3]) * 1000));
  const PlatformSoundCounts counts = PlatformGetSoundCounts();
  std::printf("buffers %llu starved %llu frames %d\n", (unsigned long long)counts.buffers,
              (unsigned long long)counts.starvedBuffers, counts.bufferFrames);
  std::fflush(stdout);
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  return 0;
}
