// SPDX-License-Identifier: MIT
// The RAR 2.x archive's block types and flags, and the RAR 2.0 compressed
// format's alphabets, symbols and slot tables (how lengths and distances are
// split into a coded slot and extra bits). Shared by the reader and the
// packer, so that both sides read the format from one copy.
#pragma once
#include <cstdint>

// The marker block that opens every archive.
inline constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

// Block types.
inline constexpr uint8_t kBlockMain = 0x73;
inline constexpr uint8_t kBlockFile = 0x74;
inline constexpr uint8_t kBlockSub = 0x77;
inline constexpr uint8_t kBlockEnd = 0x7B;

// Flags.
inline constexpr uint16_t kMainSolid = 0x08;             // main header: a solid archive
inline constexpr uint16_t kFileEncrypted = 0x04;         // file header: the packed data is enciphered
inline constexpr uint16_t kFileSolidContinuation = 0x10; // file header: continues the decoder state of the entry before
inline constexpr uint16_t kBlockHasData = 0x8000; // a 32-bit packed size follows; that much data after the header

// File header methods: stored, then 0x31 to 0x35 compressed.
inline constexpr uint8_t kMethodStored = 0x30;

// The compressed format's Huffman alphabets. An LZ table set is a main, a
// distance and a length table; an audio one has one table per channel.
inline constexpr uint32_t kMainSymbols = 298;  // literals and commands
inline constexpr uint32_t kDistSymbols = 48;   // distance slots of long matches
inline constexpr uint32_t kRepeatSymbols = 28; // length slots of old-distance matches
inline constexpr uint32_t kLzLengths = kMainSymbols + kDistSymbols + kRepeatSymbols; // 374, an LZ table set
inline constexpr uint32_t kAudioSymbols = 257;               // delta bytes and the new-table symbol
inline constexpr uint32_t kTableLengths = 4 * kAudioSymbols; // 1028, room for any table set
inline constexpr uint32_t kLevelSymbols = 19;                // the code-length code that codes the tables

// Main symbols: 0..255 are literal bytes, the rest commands.
inline constexpr uint32_t kRepeatLastSymbol = 256;  // the previous match again
inline constexpr uint32_t kOldDistanceSymbol = 257; // 257..260: one of the four last distances, newest first
inline constexpr uint32_t kShortMatchSymbol = 261;  // 261..268: length 2, a distance slot up to 256
inline constexpr uint32_t kNewTableSymbol = 269;    // new tables follow
inline constexpr uint32_t kLongMatchSymbol = 270;   // 270..297: a length slot, then a distance symbol
// Each audio table's symbol 256: new tables follow.
inline constexpr uint32_t kAudioNewTableSymbol = 256;

// Long-match and old-distance lengths: base of each slot and its extra bits.
inline constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                            24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
inline constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                            2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
// Long-match distances (minus one): base of each slot and its extra bits.
inline constexpr uint32_t kDistBase[48] = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
inline constexpr uint8_t kDistBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                          7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                          15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
// Short matches (length 2): distance (minus one) slots and their extra bits.
inline constexpr uint8_t kShortDistBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
inline constexpr uint8_t kShortDistBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};
