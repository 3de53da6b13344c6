// SPDX-License-Identifier: MIT
// Run under Wine (or on Windows): the Windows layer's decoding of the show's
// media against what the libraries on Linux decode from the same files, the
// system's GLU quadrics against Linux's, and FSOUND_Init's answers where the
// machine has no sound card. Usage:
//   media_test.exe MEDIA_DIR REFERENCE_DIR
// REFERENCE_DIR is what media-reference wrote on the host.
#include "platform/fsound.h"
#include "platform/tap.h"
#include "quadric_feedback.h"

#include <IL/il.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int failures = 0;

// The first bytes of the soundtrack: half a second or so of it.
constexpr size_t kShortTrack = 12000;

void Check(bool ok, const char *what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  failures += ok ? 0 : 1;
}

std::vector<unsigned char> ReadFile(const std::string &path) {
  std::vector<unsigned char> bytes;
  if (std::FILE *file = std::fopen(path.c_str(), "rb")) {
    unsigned char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
  }
  return bytes;
}

// A reference file: `fields` 32-bit numbers, then the data.
bool ReadReference(const std::string &path, int32_t *header, size_t fields, std::vector<unsigned char> *data) {
  std::vector<unsigned char> bytes = ReadFile(path);
  if (bytes.size() < fields * 4)
    return false;
  std::memcpy(header, bytes.data(), fields * 4);
  data->assign(bytes.begin() + std::ptrdiff_t(fields * 4), bytes.end());
  return true;
}

// Pearson correlation of a and b (interleaved stereo) with b shifted by `lag` frames.
double Correlation(const std::vector<int16_t> &a, const std::vector<int16_t> &b, long lag, size_t from, size_t frames) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  size_t n = 0;
  for (size_t f = from; f < from + frames; ++f) {
    const long g = long(f) + lag;
    if (g < 0 || size_t(g) * 2 + 1 >= b.size() || f * 2 + 1 >= a.size())
      continue;
    for (int c = 0; c < 2; ++c) {
      const double x = a[f * 2 + c], y = b[size_t(g) * 2 + c];
      sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
      ++n;
    }
  }
  if (n == 0)
    return 0;
  const double cov = sab - sa * sb / n, va = saa - sa * sa / n, vb = sbb - sb * sb / n;
  return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
}

// (a) The codec's decoding of the soundtrack against libmpg123's.
void SoundtrackMatchesLinux(const std::string &media, const std::string &reference) {
  std::vector<unsigned char> mp3 = ReadFile(media + "/zarvox.mp3");
  int32_t header[2] = {};
  std::vector<unsigned char> raw;
  if (mp3.empty() || !ReadReference(reference + "/zarvox.ref", header, 2, &raw)) {
    Check(false, "the soundtrack and its reference decoding are readable");
    return;
  }
  std::vector<int16_t> mpg123(raw.size() / 2);
  std::memcpy(mpg123.data(), raw.data(), mpg123.size() * 2);
  std::vector<int16_t> acm;
  int rate = 0, channels = 0;
  const DWORD start = GetTickCount();
  int16_t *samples = nullptr;
  size_t sampleCount = 0;
  const bool decoded = PlatformDecodeMp3(mp3.data(), mp3.size(), &samples, &sampleCount, &rate, &channels);
  if (decoded)
    acm.assign(samples, samples + sampleCount);
  std::free(samples);
  const DWORD took = GetTickCount() - start;
  Check(decoded && rate == header[0] && channels == header[1] && channels == 2,
        "the codec decodes the soundtrack at the reference's rate, in stereo");
  if (!decoded || channels != 2)
    return;
  // The codec may start a little earlier or later: find the shift on one
  // second of music, then correlate the whole track at that shift.
  long bestLag = 0;
  double best = -2;
  for (long lag = -3000; lag <= 3000; ++lag) {
    const double r = Correlation(acm, mpg123, lag, size_t(rate) * 10, size_t(rate) / 4);
    if (r > best)
      best = r, bestLag = lag;
  }
  const size_t frames = std::min(acm.size(), mpg123.size()) / 2;
  const double whole = Correlation(acm, mpg123, bestLag, 0, frames);
  size_t differing = 0;
  int largest = 0;
  for (size_t i = 0; i < frames * 2; ++i) {
    const long j = long(i) + bestLag * 2;
    if (j < 0 || size_t(j) >= mpg123.size())
      continue;
    differing += acm[i] != mpg123[size_t(j)];
    largest = std::max(largest, std::abs(int(acm[i]) - int(mpg123[size_t(j)])));
  }
  std::printf("soundtrack: ACM %zu frames, libmpg123 %zu frames, shift %ld frames, correlation %.6f, "
              "%zu samples differ (by %d at most), decoded in %lu ms\n",
              acm.size() / 2, mpg123.size() / 2, bestLag, whole, differing, largest, (unsigned long)took);
  Check(whole >= 0.99, "the codec's decoding correlates >= 0.99 with libmpg123's");
  Check(std::labs(long(acm.size() / 2) - long(mpg123.size() / 2)) <= 4096,
        "both decodings are as long, within 4096 frames");
}

// (b) The images through WIC against the image library on Linux, byte for byte.
void ImageMatchesLinux(const std::string &media, const std::string &reference, const char *name) {
  std::vector<unsigned char> png = ReadFile(media + "/" + name + ".png");
  int32_t header[4] = {};
  std::vector<unsigned char> expected;
  const std::string what = std::string(name) + ".png";
  if (png.empty() || !ReadReference(reference + "/" + name + ".ref", header, 4, &expected)) {
    Check(false, (what + " and its reference pixels are readable").c_str());
    return;
  }
  ILuint image = 0;
  ilGenImages(1, &image);
  ilBindImage(image);
  const bool loaded = ilLoadL(IL_PNG, png.data(), ILuint(png.size())) == IL_TRUE;
  const int width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
  const int format = ilGetInteger(IL_IMAGE_FORMAT), bpp = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
  const bool same = loaded && width == header[0] && height == header[1] && format == header[2] && bpp == header[3] &&
                    ilGetInteger(IL_IMAGE_TYPE) == IL_UNSIGNED_BYTE && ilGetInteger(IL_IMAGE_DEPTH) == 1 &&
                    size_t(width) * height * bpp == expected.size();
  size_t differing = expected.size();
  if (same) {
    const unsigned char *pixels = ilGetData();
    differing = 0;
    for (size_t i = 0; i < expected.size(); ++i)
      differing += pixels[i] != expected[i];
  }
  std::printf("%s: %d x %d, format 0x%X, %d bytes a pixel; %zu of %zu bytes differ from the Linux decoding\n",
              what.c_str(), width, height, unsigned(format), bpp, differing, expected.size());
  Check(same && differing == 0, (what + " decodes to the Linux pixels, byte for byte").c_str());
  ilDeleteImages(1, &image);
}

// (c) FSOUND_Init per output type, as on Linux where no device opens.
void OutputTypes(const std::vector<unsigned char> &mp3) {
  const bool card = waveOutGetNumDevs() > 0;
  std::printf("waveOutGetNumDevs: %u\n", waveOutGetNumDevs());
  Check(FSOUND_Stream_OpenFile("x", 0, 0) == nullptr && FSOUND_GetError() == FSOUND_ERR_UNINITIALIZED,
        "no stream before FSOUND_Init");

  FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
  Check(FSOUND_Init(44100, 32, 0) && FSOUND_GetNumDrivers() == 0, "type 0 initialises with no devices");
  const char junk[] = "not an mp3 at all, only words and more words to fill a block";
  Check(FSOUND_Stream_OpenFile(junk, FSOUND_LOADMEMORY, int(sizeof junk)) == nullptr &&
            FSOUND_GetError() == FSOUND_ERR_FILE_FORMAT,
        "data that is not MPEG audio is refused");
  Check(FSOUND_Stream_OpenFile("C:\\no\\such.mp3", 0, 0) == nullptr && FSOUND_GetError() == FSOUND_ERR_FILE_NOTFOUND,
        "a path that does not open is refused");
  FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()),
                                                 FSOUND_LOADMEMORY | FSOUND_LOOP_OFF, int(mp3.size()));
  Check(stream != nullptr && FSOUND_Stream_Play(FSOUND_FREE, stream) == 0 && FSOUND_Stream_Play(0, stream) == -1 &&
            FSOUND_GetError() == FSOUND_ERR_PLAY,
        "the soundtrack opens from memory and plays on channel 0, once");
  Check(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND) == 0 && FSOUND_GetError() == FSOUND_ERR_BUSY,
        "the output cannot change while initialised");
  Check(stream != nullptr && FSOUND_Stream_Close(stream) && !FSOUND_Stream_Close(stream), "the stream closes once");
  FSOUND_Close();

  FSOUND_SetOutput(FSOUND_OUTPUT_A3D);
  Check(!FSOUND_Init(44100, 32, 0) && FSOUND_GetError() == FSOUND_ERR_INIT, "type 3 fails with FSOUND_ERR_INIT");
  for (int type : {FSOUND_OUTPUT_WINMM, FSOUND_OUTPUT_DSOUND}) {
    FSOUND_SetOutput(type);
    const bool opened = FSOUND_Init(44100, 32, 0) != 0;
    std::printf("type %d: %s, %d devices%s%s\n", type, opened ? "opens" : "does not open", FSOUND_GetNumDrivers(),
                FSOUND_GetNumDrivers() > 0 ? ", the first " : "",
                FSOUND_GetNumDrivers() > 0 ? FSOUND_GetDriverName(0) : "");
    const std::string what = "type " + std::to_string(type) +
                             (card ? " opens a device and lists it" : " fails with FSOUND_ERR_INIT without a card");
    Check(card ? opened && FSOUND_GetNumDrivers() > 0 : !opened && FSOUND_GetError() == FSOUND_ERR_INIT, what.c_str());
    if (opened && mp3.size() > kShortTrack) {
      // The device drains a short track through the mixer: its channel is
      // then free for the next stream.
      const char *data = reinterpret_cast<const char *>(mp3.data());
      FSOUND_STREAM *first = FSOUND_Stream_OpenFile(data, FSOUND_LOADMEMORY, int(kShortTrack));
      const int played = FSOUND_Stream_Play(FSOUND_FREE, first);
      Sleep(1500);
      FSOUND_STREAM *second = FSOUND_Stream_OpenFile(data, FSOUND_LOADMEMORY, int(kShortTrack));
      Check(played == 0 && FSOUND_Stream_Play(FSOUND_FREE, second) == 0,
            ("type " + std::to_string(type) + " plays a short track to its end").c_str());
    }
    FSOUND_Close();
  }
  FSOUND_SetOutput(-1);
  Check(FSOUND_Init(44100, 32, 0) != 0, "left to choose, FSOUND_Init succeeds, with or without a card");
  FSOUND_Close();
}

// Steps between two floats of one sign (window coordinates are not negative).
long UlpsApart(float a, float b) {
  int32_t x, y;
  std::memcpy(&x, &a, 4);
  std::memcpy(&y, &b, 4);
  return std::labs(long(x) - long(y));
}

// (d) GLU, which Windows brings itself: the quadrics the sphere effect draws
// reach GL as on Linux, colours and texture coordinates exactly, positions
// within two float steps (the two GLUs round differently: this is what makes
// a few sphere pixels differ between the captures).
void QuadricsMatchLinux(const std::string &reference) {
  int32_t count = 0;
  std::vector<unsigned char> data;
  std::vector<float> mine;
  std::string why;
  const bool read = ReadReference(reference + "/quadrics.ref", &count, 1, &data);
  if (!QuadricFeedback(&mine, &why))
    std::printf("no quadrics: %s\n", why.c_str());
  Check(read && data.size() == mine.size() * sizeof(float) && size_t(count) * kFeedbackVertex == mine.size(),
        "GLU gives as many quadric vertices as on Linux");
  if (!read || data.size() != mine.size() * sizeof(float))
    return;
  std::vector<float> theirs(mine.size());
  std::memcpy(theirs.data(), data.data(), data.size());
  size_t moved = 0, otherwise = 0;
  long largest = 0;
  for (size_t v = 0; v < mine.size(); v += kFeedbackVertex) {
    bool differs = false;
    for (size_t k = 0; k < kFeedbackVertex; ++k) {
      const long apart = UlpsApart(mine[v + k], theirs[v + k]);
      if (k < 3) {
        largest = std::max(largest, apart);
        differs = differs || apart != 0;
      } else if (apart != 0) {
        ++otherwise;
      }
    }
    moved += differs ? 1 : 0;
  }
  std::printf("quadrics: %zu vertices, %zu placed differently, by at most %ld float steps\n",
              mine.size() / kFeedbackVertex, moved, largest);
  Check(otherwise == 0, "the quadrics' colours and texture coordinates are Linux's exactly");
  Check(largest <= 2, "the quadrics' positions are Linux's within two float steps");
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: media_test.exe MEDIA_DIR REFERENCE_DIR\n");
    return 2;
  }
  ilInit();
  SoundtrackMatchesLinux(argv[1], argv[2]);
  ImageMatchesLinux(argv[1], argv[2], "krel");
  ImageMatchesLinux(argv[1], argv[2], "spheremap");
  QuadricsMatchLinux(argv[2]);
  OutputTypes(ReadFile(std::string(argv[1]) + "/zarvox.mp3"));
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
