// SPDX-License-Identifier: MIT
// The soundtrack's way from the archive to FSOUND, and back out in a fixed order.
#include "sound/music_player.h"

#include "archive/data_archive.h"
#include "platform/fsound.h"

#include <cstdlib>

namespace {
// The mode the stream is opened with. Only FSOUND_LOADMEMORY (the first
// argument is the data) and FSOUND_LOOP_OFF (play once, winning over
// FSOUND_LOOP_NORMAL) act on an MP3; the sample-format flags do not reduce it.
constexpr unsigned int kStreamMode =
    FSOUND_LOADMEMORY | FSOUND_MONO | FSOUND_8BITS | FSOUND_LOOP_NORMAL | FSOUND_LOOP_OFF;
static_assert(kStreamMode == 0x802B, "the soundtrack's stream mode");

// Software channels asked of FSOUND_Init; the show plays one stream.
constexpr int kSoftwareChannels = 128;
} // namespace

MusicPlayer::MusicPlayer(const SoundSetup &sound, DataArchive *archive_)
    : channel(0), stream(nullptr), archive(archive_), data(nullptr) {
  // Failures here are not reported: the later calls then fail and the show is silent.
  FSOUND_SetOutput(sound.output);
  FSOUND_SetDriver(sound.driver);
  FSOUND_Init(sound.mixRate, kSoftwareChannels, 0);
}

MusicPlayer::~MusicPlayer() {
  // FSOUND may read the block until the stream is closed and the library shut down.
  if (stream != nullptr)
    FSOUND_Stream_Close(stream);
  FSOUND_Close();
  if (data != nullptr)
    std::free(data);
}

bool MusicPlayer::Open(std::string name) {
  // A second Open must not pull the block from under a stream still reading it.
  if (stream != nullptr) {
    FSOUND_Stream_Close(stream);
    stream = nullptr;
  }
  if (data != nullptr)
    std::free(data);
  data = archive != nullptr ? archive->Fetch(name) : nullptr;
  const int length = data != nullptr ? int(archive->size) : 0;
  stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(data), kStreamMode, length);
  return stream != nullptr;
}

bool MusicPlayer::Play() {
  if (stream == nullptr)
    return false;
  channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
  return channel != -1;
}
