// SPDX-License-Identifier: MIT
// Plays the show's soundtrack: fetched whole from the data archive and handed
// to FSOUND as an in-memory stream that decodes and plays in the background.
#pragma once
#include "setup/demo_settings.h"

#include <cstdint>
#include <string>

class DataArchive;
struct FSOUND_STREAM;

// The Demo creates it in Setup (after the GL context), calls Open with
// "zarvox.mp3", calls Play right after starting its clock, and deletes it
// after the effects and before the archive. No result needs acting on: a
// player that fails stays silent.
class MusicPlayer {
public:
  // Sets FSOUND up with the dialog's output type, device and mixing rate.
  MusicPlayer(const SoundSetup &sound, DataArchive *archive);
  // Closes the stream, shuts FSOUND down, then frees the block, in that order.
  ~MusicPlayer();
  MusicPlayer(const MusicPlayer &) = delete;
  MusicPlayer &operator=(const MusicPlayer &) = delete;

  // Fetches the named file and opens it as a stream; true when FSOUND did.
  bool Open(std::string name);
  // Starts the stream on a free channel; true when it got one.
  bool Play();

  int32_t channel;       // channel the stream plays on: 0 until Play, -1 when Play failed
  FSOUND_STREAM *stream; // the open stream; NULL until Open, and after an Open that failed
  DataArchive *archive;  // where the music comes from; not owned
  unsigned char *data;   // the whole music file (malloc'd, owned); FSOUND reads it until the stream is closed
};
