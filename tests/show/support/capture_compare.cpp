// SPDX-License-Identifier: MIT
// The same show frames from two captures (under Wine and on Linux, or arm64
// under emulation and amd64), compared pixel by pixel: every frame the
// reference run wrote must be there from the other too, and each must agree
// in at least the given share of its pixels. The folders' names label the
// two sides in what it prints. With LEVELS, a pixel agrees when no channel
// differs by more than LEVELS (renderers that round differently).
// Usage: capture_compare REFERENCE_FOLDER OTHER_FOLDER MIN_SHARE [LEVELS]
#include "support/show_kit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: capture_compare REFERENCE_FOLDER OTHER_FOLDER MIN_SHARE [LEVELS]\n");
    return 2;
  }
  const int levels = argc > 4 ? std::atoi(argv[4]) : 0;
  const std::string referenceDir = argv[1], otherDir = argv[2];
  const std::string reference = std::filesystem::path(referenceDir).filename().string(),
                    other = std::filesystem::path(otherDir).filename().string();
  const double minShare = std::atof(argv[3]);
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(referenceDir))
    if (entry.path().extension() == ".png")
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  if (names.empty()) {
    std::fprintf(stderr, "FAIL: no frames in %s\n", referenceDir.c_str());
    return 1;
  }
  int identical = 0, failed = 0;
  double lowest = 1.0;
  for (const std::string &name : names) {
    showkit::Picture a, b;
    if (!showkit::ReadPng(referenceDir + "/" + name, &a) || !showkit::ReadPng(otherDir + "/" + name, &b)) {
      std::fprintf(stderr, "FAIL: %s missing or unreadable on one side\n", name.c_str());
      ++failed;
      continue;
    }
    if (a.width != b.width || a.height != b.height) {
      std::fprintf(stderr, "FAIL: %s is %dx%d in %s, %dx%d in %s\n", name.c_str(), a.width, a.height, reference.c_str(),
                   b.width, b.height, other.c_str());
      ++failed;
      continue;
    }
    size_t same = 0, first = a.rgb.size();
    int largest = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
      int diff = 0;
      for (size_t c = 0; c < 3; ++c)
        diff = std::max(diff, std::abs(int(a.rgb[i + c]) - int(b.rgb[i + c])));
      if (diff <= levels)
        ++same;
      else if (first == a.rgb.size())
        first = i;
      largest = std::max(largest, diff);
    }
    const size_t pixels = a.rgb.size() / 3;
    const double share = double(same) / double(pixels);
    lowest = std::min(lowest, share);
    if (same == pixels) {
      ++identical;
      continue;
    }
    const int x = int(first / 3 % size_t(a.width)), y = int(first / 3 / size_t(a.width));
    std::printf("%s: %.4f%% agreeing, largest channel difference %d, first at (%d, %d): %s %d,%d,%d, "
                "%s %d,%d,%d\n",
                name.c_str(), share * 100, largest, x, y, reference.c_str(), a.rgb[first], a.rgb[first + 1],
                a.rgb[first + 2], other.c_str(), b.rgb[first], b.rgb[first + 1], b.rgb[first + 2]);
    if (share < minShare)
      ++failed;
  }
  std::printf("frames compared %zu, agreeing in every pixel %d, lowest share of agreeing pixels %.4f%% (within %d "
              "levels)\n",
              names.size(), identical, lowest * 100, levels);
  if (failed > 0) {
    std::fprintf(stderr, "FAIL: %d frames below %.4f%% agreeing pixels or missing\n", failed, minShare * 100);
    return 1;
  }
  return 0;
}
