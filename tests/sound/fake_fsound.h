// A recording stand-in for FSOUND and for the extraction call, so that the
// music player's calls, their order and their arguments can be checked.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct FSOUND_STREAM;

namespace fake {

struct World {
  std::vector<std::string> calls;                          // "SetOutput(2)", "Stream_OpenFile(data,0x802b,4)", ...
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

} // namespace fake
