// SPDX-License-Identifier: MIT
// The media as the show takes them, through the layer: the logo and the
// sphere map decoded by the image calls as the effects ask for them (RGBA,
// RGB), the soundtrack mixed offline as a device would be fed, and a block
// that is not MP3 refused. Built natively (DevIL, libmpg123) it writes what
// it got; built for the browser it checks its own against those files:
//   media_probe write|check MEDIA_DIR REFERENCE_DIR
// One line per check, then "probe: done, N failed".
#include "platform/fsound.h"
#include "platform/tap.h"
#include "support/pcm.h"

#include <IL/il.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Say(bool ok, const std::string &line) {
  std::printf("%s %s\n", ok ? "ok:" : "FAILED:", line.c_str());
  failures += ok ? 0 : 1;
}

template <typename T> std::vector<T> Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<T> out(bytes.size() / sizeof(T));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
  return out;
}

template <typename T> void Write(const std::string &path, const std::vector<T> &data) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(data.data()), data.size() * sizeof(T));
}

// Width, height, format, then the pixels, as the effects would upload them.
std::vector<uint8_t> DecodeImage(const std::vector<uint8_t> &png, ILenum format) {
  ILuint image = 0;
  ilGenImages(1, &image);
  ilBindImage(image);
  std::vector<uint8_t> out;
  if (ilLoadL(IL_PNG, png.data(), ILuint(png.size())) &&
      (ilGetInteger(IL_IMAGE_FORMAT) == ILint(format) || ilConvertImage(format, IL_UNSIGNED_BYTE))) {
    const uint32_t head[3] = {uint32_t(ilGetInteger(IL_IMAGE_WIDTH)), uint32_t(ilGetInteger(IL_IMAGE_HEIGHT)), format};
    const size_t bytes = size_t(head[0]) * head[1] * size_t(ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL));
    out.assign(reinterpret_cast<const uint8_t *>(head), reinterpret_cast<const uint8_t *>(head + 3));
    out.insert(out.end(), ilGetData(), ilGetData() + bytes);
  }
  ilDeleteImages(1, &image);
  return out;
}

// The track as the mixer hands it on at 44100 Hz, from open to its end.
std::vector<int16_t> MixTrack(const std::vector<char> &mp3) {
  std::vector<int16_t> out;
  PlatformSetSoundPull(true);
  FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
  FSOUND_Init(44100, 32, 0);
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(mp3.data(), FSOUND_LOADMEMORY | FSOUND_LOOP_OFF, int(mp3.size()));
  if (stream != nullptr && FSOUND_Stream_Play(FSOUND_FREE, stream) >= 0) {
    std::vector<int16_t> piece(4096 * 2);
    while (PlatformGetSoundCounts().streamsEnded == 0 && out.size() < 44100 * 2 * 600) {
      PlatformSoundPull(piece.data(), 4096);
      out.insert(out.end(), piece.begin(), piece.end());
    }
  }
  FSOUND_Close();
  return out;
}

// The offset (frames, `ours` later by it) where the two agree best on a
// window from the middle, and the correlation over all they share there.
void CompareSound(const std::vector<int16_t> &ours, const std::vector<int16_t> &reference) {
  const long kSearch = 2048, kWindow = 8192;
  const long frames = long(std::min(ours.size(), reference.size()) / 2);
  long best = 0;
  double bestCorrelation = -2;
  for (long offset = -kSearch; frames > 4 * kSearch + kWindow && offset <= kSearch; ++offset) {
    const double c = soundtest::Correlation(ours, size_t(frames / 2 + offset), reference, size_t(frames / 2), kWindow);
    if (c > bestCorrelation)
      bestCorrelation = c, best = offset;
  }
  const long shared =
      std::min(long(ours.size() / 2) - std::max(best, 0L), long(reference.size() / 2) + std::min(best, 0L));
  const double all = shared > 0 ? soundtest::Correlation(ours, size_t(std::max(best, 0L)), reference,
                                                         size_t(std::max(-best, 0L)), size_t(shared))
                                : 0;
  char line[200];
  std::snprintf(line, sizeof line,
                "soundtrack: correlation %.5f with libmpg123's over %ld frames, offset %ld frames (%zu frames here, "
                "%zu there)",
                all, shared, best, ours.size() / 2, reference.size() / 2);
  Say(all >= 0.99, line);
}

#ifdef __EMSCRIPTEN__
// The soundtrack played on Web Audio: the browser's callbacks mix it,
// decoding as they go, on the program's thread while it waits. The queue
// holds half a second when the stream opens: 40 buffers outlast it.
void PlayOnDevice(const std::vector<char> &mp3) {
  PlatformSetSoundPull(false);
  FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
  const bool opened = FSOUND_Init(44100, 32, 0) && FSOUND_GetNumDrivers() == 1 &&
                      std::strcmp(FSOUND_GetDriverName(0), "Web Audio") == 0;
  FSOUND_STREAM *stream =
      opened ? FSOUND_Stream_OpenFile(mp3.data(), FSOUND_LOADMEMORY | FSOUND_LOOP_OFF, int(mp3.size())) : nullptr;
  const bool playing = stream != nullptr && FSOUND_Stream_Play(FSOUND_FREE, stream) >= 0;
  const uint64_t first = PlatformGetSoundCounts().buffers;
  for (int i = 0; playing && i < 600 && PlatformGetSoundCounts().buffers < first + 40; ++i)
    emscripten_sleep(50);
  const PlatformSoundCounts counts = PlatformGetSoundCounts();
  Say(playing && counts.buffers >= first + 40 && counts.starvedBuffers == 0 &&
          counts.streamFrames >= 40 * uint64_t(counts.bufferFrames),
      "Web Audio: " + std::to_string(counts.buffers - first) + " buffers of " + std::to_string(counts.bufferFrames) +
          " frames since the stream began, " + std::to_string(counts.streamFrames) + " frames of it, " +
          std::to_string(counts.starvedBuffers) + " starved");
  FSOUND_Close();
}
#endif

} // namespace

#ifdef __EMSCRIPTEN__
#include "platform/input_file.h"
// The browser build's kernel part is not in this probe: streams read their
// block from memory, and a path is a file of the in-memory file system.
std::FILE *PlatformOpenRegularFileStream(const char *path, const char **) {
  return std::fopen(path, "rb");
}
#endif

int main(int argc, char **argv) {
  const std::string mode = argc == 4 ? argv[1] : "", media = argc == 4 ? argv[2] : "", ref = argc == 4 ? argv[3] : "";
  if (mode != "write" && mode != "check") {
    std::fprintf(stderr, "usage: media_probe write|check MEDIA_DIR REFERENCE_DIR\n");
    return 2;
  }
  ilInit();
  for (const char *name : {"krel.png", "spheremap.png"}) {
    const std::vector<uint8_t> png = Read<uint8_t>(media + "/" + name);
    const std::vector<uint8_t> decoded = DecodeImage(png, std::strcmp(name, "krel.png") == 0 ? IL_RGBA : IL_RGB);
    const std::string path = ref + "/" + name + ".pixels";
    if (mode == "write") {
      Write(path, decoded);
      Say(!decoded.empty(), std::string(name) + ": decoded, " + std::to_string(decoded.size()) + " bytes");
      continue;
    }
    const std::vector<uint8_t> reference = Read<uint8_t>(path);
    const bool same = !decoded.empty() && decoded == reference;
    const size_t from = size_t(std::mismatch(decoded.begin(), decoded.end(), reference.begin(), reference.end()).first -
                               decoded.begin());
    Say(same, std::string(name) + ": " + std::to_string(decoded.size()) + " bytes (size, layout, pixels), " +
                  (same ? "the same as DevIL's" : "DevIL's differ from byte " + std::to_string(from)));
  }

  const std::vector<char> mp3 = Read<char>(media + "/zarvox.mp3");
  const std::vector<int16_t> mixed = MixTrack(mp3);
  if (mode == "write") {
    Write(ref + "/zarvox.pcm", mixed);
    Say(!mixed.empty(), "soundtrack: " + std::to_string(mixed.size() / 2) + " frames");
  } else {
    CompareSound(mixed, Read<int16_t>(ref + "/zarvox.pcm"));
  }
#ifdef __EMSCRIPTEN__
  PlayOnDevice(mp3);
#endif

  const std::vector<char> png = Read<char>(media + "/krel.png");
  FSOUND_Init(44100, 32, 0);
  const bool refused = FSOUND_Stream_OpenFile(png.data(), FSOUND_LOADMEMORY, int(png.size())) == nullptr;
  Say(refused && FSOUND_GetError() == FSOUND_ERR_FILE_FORMAT,
      "a PNG opened as a stream: error " + std::to_string(FSOUND_GetError()));
  FSOUND_Close();

  std::printf("probe: done, %d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
