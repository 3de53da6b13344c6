// SPDX-License-Identifier: MIT
// The show captured in the browser, as zarvox-capture captures it natively:
// 60 rendered frames a show second, the counter stepped 1/60 s a frame, each
// written frame read back and handed to the page (Module.onCaptureFrame),
// which the browser tests compare with the native capture's frames.
// Arguments: WIDTH HEIGHT FPS FROM_MS TO_MS [pull] (pull: the sound mixed
// offline and handed over too, Module.onCaptureSound).
#include "capture.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

EM_JS(void, HandFrame, (int index, int width, int height, const uint8_t *rgba),
      { Module['onCaptureFrame'](index, width, height, HEAPU8.slice(rgba, rgba + width * height * 4)); });

EM_JS(void, HandSound, (int rendered, const int16_t *frames, int count),
      { Module['onCaptureSound'](rendered, HEAP16.slice(frames >> 1, (frames >> 1) + count * 2)); });

extern "C" void zarvox_page_exit(int status); // the layer's page calls

namespace {

class PageSink : public capture::FrameSink {
public:
  bool Frame(int64_t index, const uint8_t *rgba, int width, int height, bool) override {
    HandFrame(int(index), width, height, rgba);
    return true;
  }
  bool Sound(int64_t rendered, const int16_t *frames, int count) override {
    HandSound(int(rendered), frames, count);
    return true;
  }
};

} // namespace

int main(int argc, char **argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: zarvox-capture-page WIDTH HEIGHT FPS FROM_MS TO_MS [pull]\n");
    return 2;
  }
  capture::Options options;
  options.width = std::atoi(argv[1]);
  options.height = std::atoi(argv[2]);
  options.fps = std::atoi(argv[3]);
  options.fromMs = std::atoll(argv[4]);
  options.toMs = std::atoll(argv[5]);
  options.pullSound = argc > 6;
  PageSink sink;
  const capture::Result result = capture::Run(options, &sink, nullptr);
  if (!result.ok)
    std::fprintf(stderr, "zarvox-capture-page: %s\n", result.error.c_str());
  // main() waited for the browser: the status goes to the page from here.
  zarvox_page_exit(result.ok ? 0 : 1);
  return result.ok ? 0 : 1;
}
