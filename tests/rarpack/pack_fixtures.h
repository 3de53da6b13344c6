// SPDX-License-Identifier: MIT
// Shared by the packer's tests: a scratch folder, reproducible input data of
// every kind the packer must handle, and running a program as a user would.
#pragma once
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rarpack/archive_writer.h"
#include "scratch_dir.h"

namespace packtest {

using Bytes = std::vector<uint8_t>;

// A shell command's exit status.
inline int RunShell(const std::string &command) {
  int status = system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Changes the working directory for its lifetime.
class WorkingDirectory {
public:
  explicit WorkingDirectory(const std::string &path) {
    char buf[4096];
    if (getcwd(buf, sizeof buf))
      previous = buf;
    if (chdir(path.c_str()) != 0)
      previous.clear();
  }
  ~WorkingDirectory() {
    if (!previous.empty() && chdir(previous.c_str()) != 0)
      perror("chdir");
  }

private:
  std::string previous;
};

inline bool WriteFile(const std::string &path, const Bytes &data) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    return false;
  bool ok = data.empty() || fwrite(data.data(), 1, data.size(), f) == data.size();
  return fclose(f) == 0 && ok;
}

inline bool ReadFile(const std::string &path, Bytes *data) {
  FILE *f = fopen(path.c_str(), "rb");
  if (!f)
    return false;
  data->clear();
  uint8_t chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
    data->insert(data->end(), chunk, chunk + n);
  fclose(f);
  return true;
}

inline bool FileExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Output of a shell command (stdout and stderr together) and its exit status.
struct Outcome {
  int status = -1;
  std::string output;
};

inline Outcome RunCapture(const std::string &command) {
  Outcome r;
  FILE *p = popen((command + " 2>&1").c_str(), "r");
  if (!p)
    return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0)
    r.output.append(buf, n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline std::string Quoted(const std::string &s) {
  std::string q = "'";
  for (char c : s)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Small reproducible generator (xorshift), so failures can be replayed.
class Random {
public:
  explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }

private:
  uint64_t state;
};

inline Bytes RandomBytes(size_t size, uint64_t seed) {
  Random r(seed);
  Bytes b(size);
  for (uint8_t &x : b)
    x = uint8_t(r.Next() >> 32);
  return b;
}

// Text-like lines from a small vocabulary, words skewed towards the common.
inline Bytes TextBytes(size_t size, uint64_t seed) {
  static const char *const kWords[] = {"the",   "of",      "and",    "archive", "window", "to",     "in",     "is",
                                       "that",  "for",     "table",  "symbol",  "match",  "length", "the",    "data",
                                       "with",  "decoder", "packed", "entry",   "solid",  "header", "stream", "bits",
                                       "a",     "it",      "show",   "effect",  "logo",   "sphere", "frame",  "texture",
                                       "sound", "channel", "delta",  "weight",  "value",  "return", "while",  "block"};
  Random r(seed);
  Bytes b;
  size_t column = 0;
  while (b.size() < size) {
    uint32_t pick = r.Below(40);
    pick = pick * r.Below(40) / 40; // skewed towards the first words
    const char *w = kWords[pick];
    while (*w)
      b.push_back(uint8_t(*w++));
    column += 6;
    if (column > 60 || r.Below(16) == 0) {
      b.push_back(r.Below(4) == 0 ? '.' : ',');
      b.push_back('\n');
      column = 0;
    } else {
      b.push_back(' ');
    }
  }
  b.resize(size);
  return b;
}

// Machine-code-like records: opcodes, small offsets, little-endian addresses.
inline Bytes BinaryBytes(size_t size, uint64_t seed) {
  Random r(seed);
  Bytes b;
  uint32_t address = 0x401000;
  while (b.size() < size) {
    switch (r.Below(5)) {
    case 0: // call rel32
      b.push_back(0xE8);
      for (int k = 0; k < 4; k++)
        b.push_back(uint8_t((address - uint32_t(b.size())) >> (8 * k)));
      break;
    case 1: // mov reg, [rbp - off]
      b.insert(b.end(), {0x48, 0x8B, uint8_t(0x45 + 8 * r.Below(4)), uint8_t(0x100 - 8 * (1 + r.Below(8)))});
      break;
    case 2: // absolute address
      address += 16 * r.Below(64);
      for (int k = 0; k < 4; k++)
        b.push_back(uint8_t(address >> (8 * k)));
      break;
    case 3:
      b.insert(b.end(), {0x55, 0x48, 0x89, 0xE5});
      break;
    default:
      b.push_back(uint8_t(r.Below(256)));
      break;
    }
  }
  b.resize(size);
  return b;
}

// Runs of one byte, some very long, some a few bytes.
inline Bytes RunBytes(size_t size, uint64_t seed) {
  Random r(seed);
  Bytes b;
  while (b.size() < size) {
    size_t n = r.Below(4) == 0 ? 1 + r.Below(70000) : 1 + r.Below(300);
    b.insert(b.end(), n, uint8_t(r.Below(3) == 0 ? 0 : r.Below(256)));
  }
  b.resize(size);
  return b;
}

// Sampled sound, interleaved: `channels` of `bytesPerSample` (1 or 2) each,
// sums of sines with a little noise; 8-bit samples are unsigned as in WAV.
inline Bytes PcmBytes(size_t frames, unsigned channels, unsigned bytesPerSample, uint64_t seed) {
  Random r(seed);
  Bytes b;
  b.reserve(frames * channels * bytesPerSample);
  for (size_t i = 0; i < frames; i++) {
    for (unsigned c = 0; c < channels; c++) {
      double t = double(i) / 44100.0;
      double v = 0.45 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) + 0.25 * std::sin(2 * M_PI * 331.0 * t + c) +
                 0.02 * (double(r.Below(1000)) / 500.0 - 1.0);
      if (bytesPerSample == 1) {
        b.push_back(uint8_t(128 + int(v * 120)));
      } else {
        int16_t s = int16_t(v * 30000);
        b.push_back(uint8_t(s));
        b.push_back(uint8_t(uint16_t(s) >> 8));
      }
    }
  }
  return b;
}

// A 44-byte PCM WAV header followed by the samples.
inline Bytes WavBytes(const Bytes &samples, unsigned channels, unsigned bytesPerSample) {
  auto put32 = [](Bytes &b, uint32_t v) {
    for (int k = 0; k < 4; k++)
      b.push_back(uint8_t(v >> (8 * k)));
  };
  auto put16 = [](Bytes &b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  };
  Bytes b = {'R', 'I', 'F', 'F'};
  put32(b, uint32_t(36 + samples.size()));
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(b, 16);
  put16(b, 1);
  put16(b, channels);
  put32(b, 44100);
  put32(b, 44100 * channels * bytesPerSample);
  put16(b, channels * bytesPerSample);
  put16(b, 8 * bytesPerSample);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put32(b, uint32_t(samples.size()));
  b.insert(b.end(), samples.begin(), samples.end());
  return b;
}

// Over 1 MiB with repeats close to the window's full reach: a random block,
// text, the same random block again about 1,000,000 bytes later, more text.
inline Bytes FarRepeatBytes() {
  Bytes block = RandomBytes(200000, 77);
  Bytes b = block;
  Bytes filler = TextBytes(800000, 78);
  b.insert(b.end(), filler.begin(), filler.end());
  b.insert(b.end(), block.begin(), block.end());
  Bytes tail = TextBytes(1300000, 79);
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

// Random letters (compressible, so not stored) whose only long repeats lie
// exactly at the distances where the decoder lengthens a match (0x101,
// 0x2000, 0x40000) and one short of them: each as a new match, then, after
// one differing byte, again at the same distance (an old-distance match).
inline Bytes BonusDistanceBytes() {
  Bytes b;
  uint64_t seed = 500;
  for (uint32_t distance : {0x100u, 0x101u, 0x1FFFu, 0x2000u, 0x3FFFFu, 0x40000u}) {
    Bytes part = RandomBytes(distance + 32, seed++);
    for (size_t i = 0; i < part.size(); i++)
      part[i] = uint8_t('a' + part[i] % 16);
    for (size_t i = 0; i < 32; i++)
      part[distance + i] = part[i];
    part[distance + 12] = uint8_t(part[12] ^ 0x5A);
    b.insert(b.end(), part.begin(), part.end());
  }
  return b;
}

// One named input file of the round-trip set.
struct Sample {
  std::string name;
  Bytes data;
};

// Every kind of input: empty, one byte, text, binary, incompressible, long
// runs, sampled sound, over 1 MiB, and a folder.
inline std::vector<Sample> SampleSet() {
  return {
      {"empty.bin", {}},
      {"one.bin", {0x5A}},
      {"text.txt", TextBytes(150000, 1)},
      {"binary.bin", BinaryBytes(120000, 2)},
      {"random.bin", RandomBytes(70000, 3)},
      {"runs.bin", RunBytes(300000, 4)},
      {"stereo16.wav", WavBytes(PcmBytes(40000, 2, 2, 5), 2, 2)},
      {"far.bin", FarRepeatBytes()},
      {"sub/dir/nested.txt", TextBytes(3000, 6)},
  };
}

// Many small files, different and alike.
inline std::vector<Sample> ManySamples(unsigned count) {
  std::vector<Sample> set;
  for (unsigned i = 0; i < count; i++) {
    Bytes data = i % 3 == 0   ? TextBytes(200 + 97 * i, 100 + i)
                 : i % 3 == 1 ? BinaryBytes(50 * i, 200 + i)
                              : RandomBytes(i, 300 + i);
    set.push_back({"many/file" + std::to_string(i) + ".dat", data});
  }
  return set;
}

// Writes the samples under `dir`, creating folders as needed.
inline bool WriteSamples(const std::string &dir, const std::vector<Sample> &set) {
  for (const Sample &s : set) {
    std::string path = dir + "/" + s.name;
    size_t slash = path.rfind('/');
    if (RunShell("mkdir -p " + Quoted(path.substr(0, slash))) != 0 || !WriteFile(path, s.data))
      return false;
  }
  return true;
}

inline rarpack::PackOptions OptionsWith(int level, bool solid, const std::string &password,
                                        int audio = rarpack::kAudioAuto) {
  rarpack::PackOptions o;
  o.level = level;
  o.solid = solid;
  o.password = password;
  o.audio = audio;
  return o;
}

// Writes `set` under dir/in and packs it from there, names as given, into
// dir/test.rar. Returns false with the packer's message in *error.
inline bool PackSamples(const ScratchDir &dir, const std::vector<Sample> &set, const rarpack::PackOptions &options,
                        std::string *error) {
  if (dir.Path().empty() || !WriteSamples(dir / "in", set)) {
    *error = "cannot write the samples";
    return false;
  }
  std::vector<std::string> files;
  for (const Sample &s : set)
    files.push_back(s.name);
  WorkingDirectory cd(dir / "in");
  return rarpack::PackArchive(dir / "test.rar", files, options, error);
}

} // namespace packtest
