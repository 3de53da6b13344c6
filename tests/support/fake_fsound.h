// SPDX-License-Identifier: MIT
// A recording stand-in for the FSOUND calls and for the extraction call, so
// that the callers' calls, their order and their arguments can be checked,
// and the device listing answers as the test sets it.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct FSOUND_STREAM;

namespace fake {

struct World {
  std::vector<std::string> calls; // "SetOutput(2)", "Stream_OpenFile(data,0x802b,4)", ...

  // The library itself: whether FSOUND_Init fails, with which error, and the
  // devices it lists while initialised.
  bool initFails = false;
  int error = 0;
  std::vector<std::string> drivers = {"Primary Sound Driver", "USB Headset"};
  int inits = 0, closes = 0;
  int initRate = 0, initChannels = 0;
  unsigned initFlags = 0;
  bool initialised = false;

  // Streams, and the archive the extraction call reads from.
  std::map<std::string, std::vector<unsigned char>> files; // what the archive holds
  int playResult = 0;                                      // what FSOUND_Stream_Play answers
  bool streamOpens = true;                                 // whether FSOUND_Stream_OpenFile gives a stream
  const unsigned char *openedBlock = nullptr;              // the block the open stream reads
  int openedLength = 0;
  uint32_t checksumAtClose = 0; // sum of the block's bytes, read in Stream_Close
};

World &Reset(); // a clean world for one test
World &Get();
uint32_t Checksum(const unsigned char *data, size_t length);
void Log(const char *format, ...) __attribute__((format(printf, 1, 2)));

} // namespace fake
