// SPDX-License-Identifier: MIT
// Inside the RAR extraction module: the module-wide state record and the steps
// of an extraction. For the module's own files and its white-box tests
// (target zarvox_rar_internal); everyone else has rar.h.
#pragma once
#include <cstdint>
#include <cstdio>

#include "rar/rar.h"
#include "rar/rar_crc32.h"
#include "rar/rar_crypt.h"
#include "rar/rar_format.h"

// The one idiom for values taken from the archive: a check that fails ends
// the current step with the given result, at the place the value is used.
#define RAR_REQUIRE(condition, result)                                                                                 \
  do {                                                                                                                 \
    if (!(condition))                                                                                                  \
      return (result);                                                                                                 \
  } while (0)

// ---- sizes and constants ----------------------------------------------------
constexpr uint32_t kWindowSize = 0x100000; // the 1 MiB dictionary of RAR 2.0
constexpr uint32_t kWindowMask = kWindowSize - 1;
constexpr uint32_t kInputSize = 8192; // packed bytes decoded from one buffer
constexpr uint32_t kInputKeep = 32;   // bytes kept across a refill
constexpr uint32_t kQuickBits = 10;   // codes this short are looked up in one step

// ---- archive records, as read ------------------------------------------------
struct MainHeader {
  uint16_t headerCrc;  // not compared
  uint8_t headerType;  // 0x73
  uint16_t flags;      // 0x08: solid archive
  uint16_t headerSize; // the first block starts at offset 7 + headerSize
  uint16_t reserved1;
  uint32_t reserved2;
};

struct FileHeader {
  uint16_t headerCrc;            // low 16 bits of the CRC of bytes 2..31 and the name
  uint8_t headerType;            // 0x74
  uint16_t flags;                // 0x04 encrypted, 0x10 solid continuation, 0x8000 data follows
  uint16_t headerSize;           // packed data starts at block start + headerSize
  uint32_t packedSize;           // bytes of packed data after the header
  uint32_t unpackedSize;         // size of the entry's output
  uint8_t hostOs;                // ignored
  uint32_t fileCrc;              // CRC-32 of the unpacked data
  uint32_t fileTime;             // ignored
  uint8_t unpackVersion;         // 13..20 accepted; also the encryption level
  uint8_t method;                // 0x30 stored, anything else compressed
  uint16_t nameSize;             // bytes of name in the file
  uint32_t attributes;           // ignored
  char name[kMaxNameLength + 1]; // the name as read (at most 259 bytes), zero-terminated
};

struct BlockHeader {
  uint16_t headerCrc;
  uint8_t type;
  uint16_t flags;
  uint16_t headerSize;
  uint32_t dataSize; // bytes after the header when flags has 0x8000
};

// ---- decoder state -----------------------------------------------------------
// A canonical Huffman code read MSB first. Codes are compared left-aligned in
// 16 bits: a code of k bits is a value below limit[k] and at least limit[k-1].
struct DecodeTable {
  uint32_t symbolCount;            // symbols of the alphabet
  uint32_t limit[16];              // limit[k]: first 16-bit value past the codes of k bits or fewer
  uint32_t start[16];              // start[k]: index in symbols[] of the first code of k bits
  uint16_t symbols[kMainSymbols];  // symbols sorted by code length, then by value
  uint16_t quick[1 << kQuickBits]; // by the next 10 bits: length << 12 | symbol, 0 when longer
};

struct AudioChannelState {
  int32_t k1, k2, k3, k4, k5; // predictor weights, kept within -17..16
  int32_t d1, d2, d3, d4;     // the channel's last deltas and their differences
  int32_t lastDelta;          // the channel's previous delta
  uint32_t dif[11];           // error sums of the 11 candidate weight changes
  uint32_t byteCount;         // bytes of this channel so far; weights adapt every 32
  int32_t lastValue;          // the previous prediction minus delta, not reduced to a byte
};

struct DecoderState {
  uint32_t writePos;                   // next window byte to produce (kept below kWindowSize)
  uint32_t flushedPos;                 // first window byte not yet handed to the output
  unsigned char input[kInputSize + 8]; // packed bytes being decoded (the 8 past the end let peeks load whole words)
  uint32_t inputPos;                   // byte index of the next unread bit in input[]
  uint32_t inputBit;                   // 0..7: bit offset inside that byte, from its most significant bit
  uint32_t inputTop;                   // valid bytes as the refill rule counts them (for the end-of-entry table check)
  uint32_t inputEnd; // bytes of input[] really read from this entry; reading past them means the data ran out
  DecodeTable mainTable;
  DecodeTable distTable;
  DecodeTable repeatTable;
  DecodeTable levelTable;
  DecodeTable audioTables[4];
  unsigned char previousLengths[kTableLengths]; // code lengths of the last table read
  unsigned char lengths[kTableLengths];         // the table being read (starts as a copy of the previous)
  uint32_t oldDist[4];                          // ring of the last four match distances
  uint32_t oldDistCount;                        // insertions into the ring; the newest is at (count - 1) % 4
  uint32_t lastDist;                            // distance of the previous match
  uint32_t lastLength;                          // length of the previous match
  bool audioMode;                               // the current block codes audio deltas
  uint32_t channelCount;                        // 1..4 audio channels
  uint32_t currentChannel;                      // channel of the next audio byte
  int32_t channelDelta;                         // last delta produced by any channel
  AudioChannelState channels[4];
};

// The cipher key: four words that move on after every block, and the byte
// substitution of the round function.
struct CryptKey {
  uint32_t key[4];                    // the key words, moved on by every block
  unsigned char substitution[256];    // the byte substitution of the round function
  uint32_t substitutionWords[4][256]; // the same, shifted to each byte position of a word
};

// The debug log, kept for the life of the process.
struct DebugLog {
  bool opened;        // the log file was created at the first call
  bool firstCallDone; // the first extraction of the process has run and tried to open the log
  char path[4096];    // the log file, as it was found when opened (entries go through directoryFd)
  int directoryFd;    // the log's folder as the layer holds it, from its check on while opened
  uint32_t startMs;   // GetTickCount when the log was opened
};

// ---- the module-wide record --------------------------------------------------
struct ExtractorState {
  char requestedName[kMaxNameLength + 1];
  char archivePath[kMaxNameLength + 1];
  char password[kMaxPasswordLength + 1]; // cleared at the end of every call
  FILE *archive;                         // open for the duration of one call
  MainHeader mainHeader;
  FileHeader fileHeader;   // the entry last found by the walk
  BlockHeader blockHeader; // the block last found by the walk
  int64_t blockStart;      // file offset of the block being examined
  int64_t nextBlock;       // file offset of the block after it
  bool found;              // the current entry is the requested one
  unsigned char *output;   // the caller's block, allocated when the entry is found
  uint32_t *outputCount;   // the caller's size variable: bytes written so far
  unsigned char *window;   // the decoder's 1 MiB window, allocated per call
  bool windowClean;        // the window is fresh from calloc: all zeros, none of its pages touched yet
  uint32_t packedLeft;     // packed bytes of the current entry not yet read
  int64_t unpackedLeft;    // bytes of the current entry not yet produced (below 0: done)
  int encryptionLevel;     // 0 plain, else the entry's unpack version
  char lastProblem[500];   // the last problem logged by the latest call ("" when none)

  DecoderState decoder;
  CryptKey key;
  uint32_t crcTable[256];
  DebugLog log;
};

extern ExtractorState rar_state;

// ---- the steps of one extraction (archive.cpp) ------------------------------
bool check_marker();
int find_next_file();
bool names_equal(const char *a, const char *b);
bool extract_entry();
void copy_stored();
uint32_t read_packed(unsigned char *buffer, uint32_t count);

// ---- the decompressor (unpack.cpp) -------------------------------------------
void unpack_file(unsigned char *window);
void reset_decoder();
void refill_input(bool firstFill);
void read_tables();
void read_tables_at_end();
void build_decode_table(DecodeTable *table, const unsigned char *lengths, uint32_t count);
uint32_t decode_symbol(DecodeTable *table);
unsigned char decode_audio_byte(uint32_t delta);
void flush_window();

// ---- the debug log (debug_log.cpp) -------------------------------------------
// Opens (and truncates) "debug_unrar.txt" in `directory`, which must be this
// user's and writable by nobody else; the folder is held open and every
// entry reaches the file through it. The log stays off when that fails.
void debug_log_open(const char *directory);
// The entry point's first call: opens the log at its place (see below).
void debug_log_open_default();
void debug_log_write(const char *message, const char *sourceFile, unsigned line);
// Formats a message (cut at 499 characters), keeps it as the call's last
// problem when `problem` is set, and writes it with the caller's file and line.
void debug_log_printf(const char *sourceFile, unsigned line, bool problem, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
#define RAR_LOG(...) debug_log_printf(__FILE__, __LINE__, false, __VA_ARGS__)
#define RAR_PROBLEM(...) debug_log_printf(__FILE__, __LINE__, true, __VA_ARGS__)

// Where the log lives: the layer's per-user state folder "zarvox"
// ($XDG_STATE_HOME/zarvox, else ~/.local/state/zarvox, made with mode 0700
// when missing; %LOCALAPPDATA%\zarvox on Windows). False when there is none
// (HOME is another user's, say) or the folder is not this user's alone. The
// file in it is "debug_unrar.txt".
bool debug_log_default_path(char *path, size_t size);
