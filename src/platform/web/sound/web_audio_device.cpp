// SPDX-License-Identifier: MIT
// FSOUND's output over Web Audio: an AudioContext at the mixing rate whose
// ScriptProcessorNode asks the mixer for each buffer. The browser calls it on
// the program's thread whenever the program waits for the browser (between
// frames), so the mixer runs between the program's own calls, never during
// them. Every output type opens the same device.
#include "common/sound/backend.h"
#include "common/sound/mixer.h"
#include "web/sound/web_sound.h"

#include <emscripten/emscripten.h>

namespace platform::sound {
class WebAudioDevice;
}

// Called by the browser's audio callback: fills the device's buffer.
extern "C" EMSCRIPTEN_KEEPALIVE void WebSoundFill(platform::sound::WebAudioDevice *device);

namespace platform::sound {
namespace {

// clang-format off
// Opens the output and keeps it in the page: `frames` frames a buffer, each
// mixed by WebSoundFill(device) into the 16-bit stereo block at `buffer`.
// False with a reason in the page's zarvoxSoundWhy where Web Audio is missing
// or refuses the rate.
EM_JS(bool, OpenWebAudio, (int rate, int frames, void *device, const int16_t *buffer), {
  const Context = globalThis['AudioContext'] || globalThis['webkitAudioContext'];
  try {
    if (!Context)
      throw new Error('this browser has no Web Audio');
    const context = new Context({'sampleRate': rate});
    const node = context.createScriptProcessor(frames, 0, 2);
    node.onaudioprocess = (event) => {
      _WebSoundFill(device);
      const left = event.outputBuffer.getChannelData(0), right = event.outputBuffer.getChannelData(1);
      for (let i = 0, at = buffer >> 1; i < frames; ++i, at += 2) {
        left[i] = HEAP16[at] / 32768;
        right[i] = HEAP16[at + 1] / 32768;
      }
    };
    node.connect(context.destination);
    // Where the page has been acted on, it starts now; else at the gesture.
    if (context.state === 'suspended' && Module['zarvoxSoundGesture'])
      context.resume();
    Module['zarvoxAudio'] = {'context': context, 'node': node};
    return true;
  } catch (e) {
    Module['zarvoxSoundWhy'] = String(e.message || e);
    return false;
  }
});

// The reason OpenWebAudio left, into `out` (`size` bytes).
EM_JS(void, WebAudioWhy, (char *out, int size), {
  stringToUTF8(Module['zarvoxSoundWhy'] || 'unknown', out, size);
});

// Stops the callback at once (no Mix runs after this) and lets the context go.
EM_JS(void, CloseWebAudio, (), {
  const audio = Module['zarvoxAudio'];
  delete Module['zarvoxAudio'];
  audio['node'].onaudioprocess = null;
  audio['node'].disconnect();
  audio['context'].close();
});

EM_JS(void, ResumeWebAudio, (), {
  Module['zarvoxSoundGesture'] = true;
  const audio = Module['zarvoxAudio'];
  if (audio && audio['context'].state === 'suspended')
    audio['context'].resume();
});

// clang-format on

// Frames per buffer: a power of two of 25 to 50 ms, as the node requires
// (256 to 16384): the callback waits for the program's frame, so it needs
// more slack than a device thread.
int BufferFramesFor(int rate) {
  int frames = 256;
  while (frames < 16384 && frames < rate / 40)
    frames *= 2;
  return frames;
}

} // namespace

class WebAudioDevice : public Device {
public:
  WebAudioDevice(Mixer *mixer_, int frames_) : mixer(mixer_), frames(frames_), buffer(size_t(frames_) * 2) {}
  ~WebAudioDevice() override { CloseWebAudio(); }
  int BufferFrames() const override { return frames; }
  void Fill() { mixer->Mix(buffer.data(), size_t(frames), false); }
  const int16_t *Buffer() const { return buffer.data(); }

private:
  Mixer *mixer;
  int frames;
  std::vector<int16_t> buffer; // one buffer, read by the page after each Fill
};

std::unique_ptr<Device> OpenDevice(int /*output*/, int /*driver*/, Mixer *mixer, std::vector<std::string> *devices,
                                   std::string *why) {
  std::unique_ptr<WebAudioDevice> device(new WebAudioDevice(mixer, BufferFramesFor(mixer->Rate())));
  if (!OpenWebAudio(mixer->Rate(), device->BufferFrames(), device.get(), device->Buffer())) {
    char reason[200];
    WebAudioWhy(reason, int(sizeof reason));
    *why = std::string("Web Audio: ") + reason;
    return nullptr;
  }
  *devices = {"Web Audio"};
  return device;
}

} // namespace platform::sound

void WebSoundFill(platform::sound::WebAudioDevice *device) {
  device->Fill();
}

void WebSoundGesture(void) {
  platform::sound::ResumeWebAudio();
}
