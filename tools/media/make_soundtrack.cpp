// SPDX-License-Identifier: MIT
// media-soundtrack OUT.mp3 [--wav OUT.wav] [--report]: synthesizes the show's
// 128-second soundtrack ("zarvox.mp3"). --wav also writes the unencoded mix
// (16-bit PCM) for listening; --report prints the length and the levels of
// each section; --only N,N,... renders only those parts (numbered as in
// score.h) to study the mix.
#include "mp3_writer.h"
#include "platform/command_line.h"
#include "score.h"
#include "soundtrack.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool WriteFile(const char *path, const void *data, size_t size) {
  FILE *f = std::fopen(path, "wb");
  if (!f)
    return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

void Put32(std::string &s, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s += char((v >> (8 * i)) & 0xff);
}
void Put16(std::string &s, uint16_t v) {
  s += char(v & 0xff);
  s += char(v >> 8);
}

bool WriteWav(const char *path, const std::vector<float> &stereo) {
  std::string wav;
  const uint32_t bytes = uint32_t(stereo.size() * 2);
  wav += "RIFF";
  Put32(wav, 36 + bytes);
  wav += "WAVEfmt ";
  Put32(wav, 16);
  Put16(wav, 1);         // PCM
  Put16(wav, 2);         // channels
  Put32(wav, 44100);     // frames per second
  Put32(wav, 44100 * 4); // bytes per second
  Put16(wav, 4);         // bytes per frame
  Put16(wav, 16);        // bits per sample
  wav += "data";
  Put32(wav, bytes);
  for (float v : stereo) {
    long q = std::lround(double(v) * 32767);
    Put16(wav, uint16_t(int16_t(q > 32767 ? 32767 : (q < -32768 ? -32768 : q))));
  }
  return WriteFile(path, wav.data(), wav.size());
}

// Parses "N,N,..." into a mask of parts; false if it is not that.
bool ParseParts(char *list, unsigned *parts) {
  *parts = 0;
  for (char *p = list; *p;) {
    char *end;
    unsigned long part = std::strtoul(p, &end, 10);
    if (end == p || part >= unsigned(media::Part::Count) || (*end && *end != ','))
      return false;
    *parts |= 1u << part;
    p = *end ? end + 1 : end;
  }
  return *parts != 0;
}

} // namespace

namespace {
const char kUsage[] = "usage: media-soundtrack OUT.mp3 [--wav OUT.wav] [--report] [--only N,N...]\n"
                      "Synthesizes the show's 128-second soundtrack (zarvox.mp3 in the data file).\n"
                      "  --wav OUT.wav       also write the unencoded mix (16-bit PCM)\n"
                      "  --report            print the length and the levels of each section\n"
                      "  --only N,N...       render only those parts of the score, to study the mix\n"
                      "  --help, --version   this text, the version\n";
} // namespace

int main(int argc, char **argv) {
  PlatformUtf8Arguments(&argc, &argv);
  const int answered = PlatformAnswerHelpOrVersion(argc, argv, "media-soundtrack", kUsage);
  if (answered >= 0)
    return answered;
  const char *out = nullptr, *wav = nullptr;
  bool report = false, optionsDone = false;
  unsigned parts = ~0u;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    std::string problem;
    if (optionsDone || arg[0] != '-' || arg[1] == '\0') {
      if (out)
        problem = "more than one output file given";
      out = arg;
    } else if (!std::strcmp(arg, "--")) {
      optionsDone = true;
    } else if (!std::strcmp(arg, "--wav")) {
      if (i + 1 < argc)
        wav = argv[++i];
      else
        problem = "--wav needs a file name";
    } else if (!std::strcmp(arg, "--only")) {
      if (i + 1 >= argc || !ParseParts(argv[++i], &parts))
        problem = "--only takes part numbers from 0 to " + std::to_string(unsigned(media::Part::Count) - 1) +
                  ", separated by commas";
    } else if (!std::strcmp(arg, "--report")) {
      report = true;
    } else {
      problem = std::string("unknown option ") + arg;
    }
    if (!problem.empty())
      return PlatformUsageError("media-soundtrack", problem);
  }
  if (!out)
    return PlatformUsageError("media-soundtrack", "no output file given");
  const media::Rendered track = media::RenderSoundtrack(parts);
  std::vector<uint8_t> mp3;
  std::string error;
  if (!media::EncodeMp3(track.stereo, &mp3, &error)) {
    std::fprintf(stderr, "media-soundtrack: %s\n", error.c_str());
    return kExitFailure;
  }
  if (!WriteFile(out, mp3.data(), mp3.size())) {
    std::fprintf(stderr, "media-soundtrack: cannot write %s: %s\n", out, std::strerror(errno));
    return kExitFailure;
  }
  if (wav && !WriteWav(wav, track.stereo)) {
    std::fprintf(stderr, "media-soundtrack: cannot write %s: %s\n", wav, std::strerror(errno));
    return kExitFailure;
  }
  if (report) {
    std::printf("%s: %.3f s, 44100 Hz stereo, %d kbit/s CBR, %zu bytes\n", out, track.stereo.size() / 2 / 44100.0,
                media::kMp3Kbps, mp3.size());
    std::printf("limiter: deepest gain %.2f dB, more than 1 dB during %.1f%% of the track\n",
                20 * std::log10(track.deepestLimiterGain), 100 * track.limitedShare);
    std::printf("section          peak dBFS  RMS dBFS\n");
    for (int s = 0; s < media::kSections; ++s) {
      media::Levels l = media::MeasureLevels(track.stereo, media::kSectionStarts[s], media::kSectionStarts[s + 1]);
      std::printf("%6.1f-%6.1f s  %8.2f  %8.2f\n", media::kSectionStarts[s], media::kSectionStarts[s + 1], l.peakDb,
                  l.rmsDb);
    }
    media::Levels all = media::MeasureLevels(track.stereo, 0, media::kTrackSeconds);
    std::printf("whole track      %8.2f  %8.2f\n", all.peakDb, all.rmsDb);
  }
  return 0;
}
