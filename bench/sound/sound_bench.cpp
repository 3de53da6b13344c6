// SPDX-License-Identifier: MIT
// Prints what playing the soundtrack costs: CPU seconds to decode and mix the
// whole track (as track length over CPU time; goal 100x or more), next to
// libmpg123 decoding alone; then how many device buffers found a stream's
// queue empty during one real-time playback (goal 0).
//
//   sound_bench [--mp3 FILE] [--seconds N] [--device]
//
// Without --mp3 it makes a 128-second track of synthetic music. The playback
// runs on SDL's disk driver into /dev/null, which SDL paces like a sound card
// (one buffer's length of sleep per buffer); --device plays it out loud on the
// default output instead. --seconds shortens the playback.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/mp3_maker.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

double CpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// libmpg123 alone: the floor any player of this track pays.
double DecodeOnly(const std::vector<unsigned char> &mp3, double *trackSeconds) {
  size_t count = 0;
  int rate = 0, channels = 0;
  PlatformDecodeMp3(mp3.data(), mp3.size(), nullptr, &count, &rate, &channels); // warms the library up
  const double start = CpuSeconds();
  if (!PlatformDecodeMp3(mp3.data(), mp3.size(), nullptr, &count, &rate, &channels)) {
    std::fprintf(stderr, "sound_bench: the track does not decode\n");
    std::exit(1);
  }
  const double spent = CpuSeconds() - start;
  *trackSeconds = double(count) / channels / rate;
  return spent;
}

// Our whole path, offline: open, decode, resample, queue and mix to the end.
double DecodeAndMix(const std::vector<unsigned char> &mp3, int mixRate) {
  PlatformSetSoundPull(true);
  FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
  const double start = CpuSeconds();
  FSOUND_Init(mixRate, 128, 0);
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), 0x802B, int(mp3.size()));
  FSOUND_Stream_Play(FSOUND_FREE, stream);
  std::vector<int16_t> buffer(1024 * 2);
  while (PlatformGetSoundCounts().streamsEnded == 0)
    PlatformSoundPull(buffer.data(), 1024);
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  PlatformSetSoundPull(false);
  return CpuSeconds() - start;
}

struct Playback {
  PlatformSoundCounts counts;
  double wallSeconds;
  double cpuSeconds;
};

Playback PlayInRealTime(const std::vector<unsigned char> &mp3, double seconds) {
  FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
  FSOUND_SetDriver(0);
  if (!FSOUND_Init(44100, 128, 0)) {
    std::fprintf(stderr, "sound_bench: no sound device (FSOUND error %d)\n", FSOUND_GetError());
    std::exit(1);
  }
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), 0x802B, int(mp3.size()));
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  FSOUND_Stream_Play(FSOUND_FREE, stream);
  const auto end = start + std::chrono::duration<double>(seconds);
  while (PlatformGetSoundCounts().streamsEnded == 0 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Playback result;
  result.counts = PlatformGetSoundCounts();
  result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = CpuSeconds() - cpu;
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  return result;
}

} // namespace

int main(int argc, char **argv) {
  std::string mp3Path;
  double playSeconds = 1e9;
  bool device = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mp3") == 0 && i + 1 < argc) {
      mp3Path = argv[++i];
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      playSeconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--device") == 0) {
      device = true;
    } else {
      std::fprintf(stderr, "usage: %s [--mp3 FILE] [--seconds N] [--device]\n", argv[0]);
      return 2;
    }
  }

  std::vector<unsigned char> mp3;
  if (!mp3Path.empty()) {
    std::ifstream in(mp3Path, std::ios::binary);
    mp3.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (mp3.empty()) {
      std::fprintf(stderr, "sound_bench: cannot read %s\n", mp3Path.c_str());
      return 1;
    }
  } else {
    std::printf("making a 128 s synthetic track (160 kbit/s)...\n");
    mp3 = soundtest::EncodeMp3(soundtest::BusyMusic(44100, 128), 44100, 2);
  }

  double track = 0;
  const double decodeOnly = DecodeOnly(mp3, &track);
  std::printf("track: %.1f s, %zu bytes\n", track, mp3.size());
  std::printf("%-34s %8s %10s %12s\n", "decode + mix the whole track", "CPU s", "track/CPU", "vs libmpg123");
  std::printf("%-34s %8.3f %9.0fx %11.2fx\n", "libmpg123 alone (peer)", decodeOnly, track / decodeOnly, 1.0);
  for (int rate : {44100, 48000, 22050}) {
    const double cpu = DecodeAndMix(mp3, rate);
    char label[64];
    std::snprintf(label, sizeof label, "FSOUND stream, mixed at %d Hz", rate);
    std::printf("%-34s %8.3f %9.0fx %11.2fx\n", label, cpu, track / cpu, cpu / decodeOnly);
  }

  if (!device && std::getenv("SDL_AUDIODRIVER") == nullptr) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
  const double seconds = std::min(playSeconds, track + 1);
  std::printf("real-time playback, %.0f s on SDL driver \"%s\"...\n", seconds,
              std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "default");
  const Playback play = PlayInRealTime(mp3, seconds);
  std::printf("device buffers: %llu of %d frames, starved: %llu (goal 0), track %s; CPU %.2f s in %.1f s (%.1f%%)\n",
              (unsigned long long)play.counts.buffers, play.counts.bufferFrames,
              (unsigned long long)play.counts.starvedBuffers, play.counts.streamsEnded ? "ended" : "still playing",
              play.cpuSeconds, play.wallSeconds, 100 * play.cpuSeconds / play.wallSeconds);
  return 0;
}
