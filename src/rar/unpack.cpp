// The RAR 2.0 decompressor: LZ77 over a 1 MiB window with canonical Huffman
// codes, an old-distance ring, and an audio mode of predicted deltas.
#include <cstring>

#include "rar/rar_internal.h"

namespace {
const uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
const uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
const uint32_t kDistBase[48] = {0,      1,      2,      3,      4,      6,      8,      12,     16,     24,
                                32,     48,     64,     96,     128,    192,    256,    384,    512,    768,
                                1024,   1536,   2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,
                                32768,  49152,  65536,  98304,  131072, 196608, 262144, 327680, 393216, 458752,
                                524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
const uint8_t kDistBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                               7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                               15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
const uint8_t kShortDistBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
const uint8_t kShortDistBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

// Refill points: past these input positions the next step could read beyond
// the buffer, so it is refilled first (the last 32 bytes are kept).
constexpr uint32_t kRefillMainLoop = 8162;
constexpr uint32_t kRefillTables = 8167;
constexpr uint32_t kRefillLengthCode = 8187;
// Fewer unflushed-free window bytes than this and the next match could
// overwrite bytes not yet handed to the output (a match is at most 260 bytes).
constexpr uint32_t kFlushMargin = 270;

constexpr uint32_t kNewTableSymbol = 269;
constexpr uint32_t kAudioNewTableSymbol = 256;
constexpr uint32_t kLzLengths = kMainSymbols + kDistSymbols + kRepeatSymbols; // 374

// ---- bit input: MSB first, three bytes from the input position --------------
inline uint32_t peek16(const DecoderState &d) {
  const unsigned char *b = d.input + d.inputPos;
  uint32_t v = uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | uint32_t(b[2]);
  return (v >> (8 - d.inputBit)) & 0xFFFF;
}

inline void skip_bits(DecoderState &d, uint32_t n) {
  d.inputBit += n;
  d.inputPos += d.inputBit >> 3;
  d.inputBit &= 7;
}

inline uint32_t get_bits(DecoderState &d, uint32_t n) {
  if (n == 0)
    return 0;
  uint32_t v = peek16(d) >> (16 - n);
  skip_bits(d, n);
  return v;
}

// The code length of a left-aligned 16-bit value: the smallest k with
// v < limit[k], else 15. The limits never decrease, so a search from `from`
// upward finds the same k as a binary search over all of them.
inline uint32_t code_length(const DecodeTable &t, uint32_t v, uint32_t from) {
  uint32_t bits = from;
  while (bits < 15 && v >= t.limit[bits])
    bits++;
  return bits;
}

inline uint32_t symbol_at(const DecodeTable &t, uint32_t v, uint32_t bits) {
  uint32_t index = t.start[bits] + ((v - t.limit[bits - 1]) >> (16 - bits));
  if (index >= t.symbolCount)
    index = 0;
  return t.symbols[index];
}

// Signed 32-bit arithmetic that wraps like the machine's, without overflow.
inline int32_t wrap_sub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
inline uint32_t abs_diff(int32_t a, int32_t b) {
  int32_t d = wrap_sub(a, b);
  return d < 0 ? 0u - uint32_t(d) : uint32_t(d);
}
inline uint32_t abs_sum(int32_t a, int32_t b) {
  int32_t d = int32_t(uint32_t(a) + uint32_t(b));
  return d < 0 ? 0u - uint32_t(d) : uint32_t(d);
}

// Appends a match to the window. Overlapping copies repeat the last bytes, so
// they go byte by byte; one that cannot overlap or wrap is a block copy.
inline void copy_match(unsigned char *window, uint32_t length, uint32_t distance) {
  ExtractorState &s = rar_state;
  DecoderState &d = s.decoder;
  d.lastDist = distance;
  d.oldDist[d.oldDistCount & 3] = distance;
  d.oldDistCount++;
  d.lastLength = length;
  s.unpackedLeft -= length;
  uint32_t to = d.writePos;
  uint32_t from = (to - distance) & kWindowMask;
  if (distance >= length && from < to && to + length <= kWindowSize) {
    memcpy(window + to, window + from, length);
    d.writePos = (to + length) & kWindowMask;
    return;
  }
  while (length-- > 0) {
    window[to] = window[from];
    to = (to + 1) & kWindowMask;
    from = (from + 1) & kWindowMask;
  }
  d.writePos = to;
}

// Copies window[flushed .. write) to the output, guarded against passing the
// entry's size.
void copy_to_output() {
  ExtractorState &s = rar_state;
  DecoderState &d = s.decoder;
  const uint32_t from = d.flushedPos;
  const uint32_t to = d.writePos;
  const uint32_t count = (to - from) & kWindowMask;
  if (uint64_t(*s.outputCount) + count > s.fileHeader.unpackedSize) {
    RAR_PROBLEM("Fatal! Buffer overrun during decompression!");
    s.unpackedLeft = -1;
    return;
  }
  unsigned char *out = s.output + *s.outputCount;
  if (to >= from) {
    memcpy(out, s.window + from, count);
  } else {
    memcpy(out, s.window + from, kWindowSize - from);
    memcpy(out + (kWindowSize - from), s.window, to);
  }
  *s.outputCount += count;
}
} // namespace

void reset_decoder() {
  ExtractorState &s = rar_state;
  DecoderState &d = s.decoder;
  d.inputPos = 0;
  d.inputBit = 0;
  if ((s.fileHeader.flags & kFileSolidContinuation) != 0)
    return;
  d.currentChannel = 0;
  d.channelDelta = 0;
  memset(d.channels, 0, sizeof d.channels);
  memset(d.oldDist, 0, sizeof d.oldDist);
  d.oldDistCount = 0;
  memset(d.previousLengths, 0, sizeof d.previousLengths);
  memset(d.lengths, 0, sizeof d.lengths);
  d.lastDist = 0;
  d.lastLength = 0;
  d.writePos = 0;
  d.flushedPos = 0;
  memset(s.window, 0, kWindowSize);
}

void refill_input(bool firstFill) {
  DecoderState &d = rar_state.decoder;
  if (firstFill) {
    uint32_t got = read_packed(d.input, kInputSize);
    d.inputPos = 0;
    d.inputTop = got;
    d.inputEnd = got;
    return;
  }
  // Keep the last 32 bytes, so that a symbol never straddles the refill.
  memmove(d.input, d.input + kInputSize - kInputKeep, kInputKeep);
  d.inputPos %= kInputKeep;
  uint32_t got = read_packed(d.input + kInputKeep, kInputSize - kInputKeep);
  d.inputTop = got > 0 ? got + kInputKeep : d.inputPos;
  if (got > 0)
    d.inputEnd = got + kInputKeep;
  else
    d.inputEnd = d.inputEnd > kInputSize - kInputKeep ? d.inputEnd - (kInputSize - kInputKeep) : 0;
}

void build_decode_table(DecodeTable *table, const unsigned char *lengths, uint32_t count) {
  DecodeTable &t = *table;
  uint32_t lengthCount[16] = {};
  for (uint32_t i = 0; i < count; i++)
    lengthCount[lengths[i] & 15]++;
  lengthCount[0] = 0;
  uint32_t next[16] = {};
  uint32_t n = 0;
  t.limit[0] = 0;
  t.start[0] = 0;
  for (uint32_t k = 1; k < 16; k++) {
    n = 2 * (n + lengthCount[k]);
    uint32_t limit = n << (15 - k);
    t.limit[k] = limit < 0xFFFF ? limit : 0xFFFF;
    t.start[k] = t.start[k - 1] + lengthCount[k - 1];
    next[k] = t.start[k];
  }
  for (uint32_t i = 0; i < count; i++) {
    if (lengths[i] != 0)
      t.symbols[next[lengths[i] & 15]++] = uint16_t(i);
  }
  t.symbolCount = count;
  // Every code of up to kQuickBits bits fills all the look-up slots that begin
  // with it; the limits of those lengths are multiples of the slot width, so a
  // slot's answer is the search's answer for every value in it.
  for (uint32_t slot = 0; slot < (1u << kQuickBits); slot++) {
    uint32_t v = slot << (16 - kQuickBits);
    uint32_t bits = code_length(t, v, 1);
    t.quick[slot] = bits <= kQuickBits ? uint16_t(bits << 12 | symbol_at(t, v, bits)) : 0;
  }
}

uint32_t decode_symbol(DecodeTable *table) {
  DecoderState &d = rar_state.decoder;
  const DecodeTable &t = *table;
  uint32_t v = peek16(d) & 0xFFFE;
  uint32_t quick = t.quick[v >> (16 - kQuickBits)];
  if (quick != 0) {
    skip_bits(d, quick >> 12);
    return quick & 0xFFF;
  }
  uint32_t bits = code_length(t, v, kQuickBits + 1);
  skip_bits(d, bits);
  return symbol_at(t, v, bits);
}

void read_tables() {
  DecoderState &d = rar_state.decoder;
  if (d.inputPos > kRefillTables)
    refill_input(false);
  uint32_t v = peek16(d);
  d.audioMode = (v & 0x8000) != 0;
  if ((v & 0x4000) == 0)
    memset(d.previousLengths, 0, sizeof d.previousLengths);
  skip_bits(d, 2);
  uint32_t count;
  if (d.audioMode) {
    d.channelCount = ((v >> 12) & 3) + 1;
    if (d.currentChannel >= d.channelCount)
      d.currentChannel = 0;
    skip_bits(d, 2);
    count = kAudioSymbols * d.channelCount;
  } else {
    count = kLzLengths;
  }
  unsigned char levelLengths[kLevelSymbols];
  for (uint32_t i = 0; i < kLevelSymbols; i++)
    levelLengths[i] = (unsigned char)get_bits(d, 4);
  build_decode_table(&d.levelTable, levelLengths, kLevelSymbols);

  unsigned char *lengths = d.lengths;
  for (uint32_t i = 0; i < count;) {
    if (d.inputPos > kRefillLengthCode)
      refill_input(false);
    uint32_t code = decode_symbol(&d.levelTable);
    if (code < 16) {
      lengths[i] = (unsigned char)((code + d.previousLengths[i]) & 15);
      i++;
    } else if (code == 16) {
      // A run of the previous length; at the very start there is none and
      // the run repeats 0.
      uint32_t n = get_bits(d, 2) + 3;
      unsigned char previous = i > 0 ? lengths[i - 1] : 0;
      for (; n > 0 && i < count; n--)
        lengths[i++] = previous;
    } else {
      uint32_t n = code == 17 ? get_bits(d, 3) + 3 : get_bits(d, 7) + 11;
      for (; n > 0 && i < count; n--)
        lengths[i++] = 0;
    }
  }
  if (d.audioMode) {
    for (uint32_t k = 0; k < d.channelCount; k++)
      build_decode_table(&d.audioTables[k], lengths + k * kAudioSymbols, kAudioSymbols);
  } else {
    build_decode_table(&d.mainTable, lengths, kMainSymbols);
    build_decode_table(&d.distTable, lengths + kMainSymbols, kDistSymbols);
    build_decode_table(&d.repeatTable, lengths + kMainSymbols + kDistSymbols, kRepeatSymbols);
  }
  memcpy(d.previousLengths, lengths, kTableLengths);
}

void read_tables_at_end() {
  DecoderState &d = rar_state.decoder;
  if (d.inputTop < d.inputPos + 5)
    return;
  if (d.audioMode) {
    if (decode_symbol(&d.audioTables[d.currentChannel]) == kAudioNewTableSymbol)
      read_tables();
  } else if (decode_symbol(&d.mainTable) == kNewTableSymbol) {
    read_tables();
  }
}

unsigned char decode_audio_byte(uint32_t delta) {
  DecoderState &d = rar_state.decoder;
  AudioChannelState &c = d.channels[d.currentChannel];
  c.byteCount++;
  c.d4 = c.d3;
  c.d3 = c.d2;
  c.d2 = wrap_sub(c.lastDelta, c.d1);
  c.d1 = c.lastDelta;
  uint32_t prediction = 8 * uint32_t(c.lastValue) + uint32_t(c.k1) * uint32_t(c.d1) + uint32_t(c.k2) * uint32_t(c.d2) +
                        uint32_t(c.k3) * uint32_t(c.d3) + uint32_t(c.k4) * uint32_t(c.d4) +
                        uint32_t(c.k5) * uint32_t(d.channelDelta);
  prediction = uint32_t(int32_t(prediction) >> 3) & 0xFF;
  const int32_t value = int32_t(prediction) - int32_t(delta);
  const int32_t i = (delta >= 128 ? int32_t(delta) - 256 : int32_t(delta)) * 8;

  c.dif[0] += i < 0 ? uint32_t(-i) : uint32_t(i);
  c.dif[1] += abs_diff(i, c.d1);
  c.dif[2] += abs_sum(i, c.d1);
  c.dif[3] += abs_diff(i, c.d2);
  c.dif[4] += abs_sum(i, c.d2);
  c.dif[5] += abs_diff(i, c.d3);
  c.dif[6] += abs_sum(i, c.d3);
  c.dif[7] += abs_diff(i, c.d4);
  c.dif[8] += abs_sum(i, c.d4);
  c.dif[9] += abs_diff(i, d.channelDelta);
  c.dif[10] += abs_sum(i, d.channelDelta);

  const uint8_t deltaByte = uint8_t(uint32_t(value) - uint32_t(c.lastValue));
  d.channelDelta = c.lastDelta = deltaByte >= 128 ? int32_t(deltaByte) - 256 : int32_t(deltaByte);
  c.lastValue = value;

  if ((c.byteCount & 31) == 0) {
    uint32_t best = 0;
    uint32_t smallest = c.dif[0];
    for (uint32_t j = 1; j < 11; j++) {
      if (c.dif[j] < smallest) {
        smallest = c.dif[j];
        best = j;
      }
    }
    memset(c.dif, 0, sizeof c.dif);
    // Odd winners lower a weight, even ones raise it: 1 and 2 for K1, up to
    // 9 and 10 for K5.
    if (best != 0) {
      int32_t *weights[5] = {&c.k1, &c.k2, &c.k3, &c.k4, &c.k5};
      int32_t &k = *weights[(best - 1) / 2];
      if ((best & 1) != 0) {
        if (k >= -16)
          k--;
      } else if (k < 16) {
        k++;
      }
    }
  }
  return (unsigned char)value;
}

void flush_window() {
  ExtractorState &s = rar_state;
  if (s.found)
    copy_to_output();
  s.decoder.flushedPos = s.decoder.writePos;
}

void unpack_file(unsigned char *window) {
  ExtractorState &s = rar_state;
  DecoderState &d = s.decoder;
  reset_decoder();
  refill_input(true);
  if ((s.fileHeader.flags & kFileSolidContinuation) == 0)
    read_tables();

  s.unpackedLeft--;
  while (s.unpackedLeft >= 0) {
    d.writePos &= kWindowMask;
    if (d.inputPos > kRefillMainLoop)
      refill_input(false);
    // Past the bytes really read, the packed data has run out: what would
    // follow is made of stale bytes and could run on without end.
    if (d.inputPos > d.inputEnd)
      break;
    if (((d.flushedPos - d.writePos) & kWindowMask) < kFlushMargin && d.flushedPos != d.writePos)
      flush_window();

    if (d.audioMode) {
      uint32_t symbol = decode_symbol(&d.audioTables[d.currentChannel]);
      if (symbol == kAudioNewTableSymbol) {
        read_tables();
        continue;
      }
      window[d.writePos] = decode_audio_byte(symbol);
      d.writePos = (d.writePos + 1) & kWindowMask;
      if (++d.currentChannel == d.channelCount)
        d.currentChannel = 0;
      s.unpackedLeft--;
      continue;
    }

    uint32_t symbol = decode_symbol(&d.mainTable);
    if (symbol < 256) {
      window[d.writePos] = (unsigned char)symbol;
      d.writePos = (d.writePos + 1) & kWindowMask;
      s.unpackedLeft--;
    } else if (symbol >= 270) {
      uint32_t slot = symbol - 270;
      uint32_t length = kLengthBase[slot] + 3 + get_bits(d, kLengthBits[slot]);
      uint32_t distSlot = decode_symbol(&d.distTable);
      uint32_t distance = kDistBase[distSlot] + 1 + get_bits(d, kDistBits[distSlot]);
      if (distance >= 0x40000)
        length++;
      if (distance >= 0x2000)
        length++;
      copy_match(window, length, distance);
    } else if (symbol == kNewTableSymbol) {
      read_tables();
    } else if (symbol == 256) {
      copy_match(window, d.lastLength, d.lastDist);
    } else if (symbol < 261) {
      uint32_t distance = d.oldDist[(d.oldDistCount - (symbol - 256)) & 3];
      uint32_t repeatSlot = decode_symbol(&d.repeatTable);
      uint32_t length = kLengthBase[repeatSlot] + 2 + get_bits(d, kLengthBits[repeatSlot]);
      if (distance >= 0x40000)
        length++;
      if (distance >= 0x2000)
        length++;
      if (distance >= 0x101)
        length++;
      copy_match(window, length, distance);
    } else {
      uint32_t slot = symbol - 261;
      uint32_t distance = kShortDistBase[slot] + 1 + get_bits(d, kShortDistBits[slot]);
      copy_match(window, 2, distance);
    }
  }
  read_tables_at_end();
  if (s.found && d.flushedPos != d.writePos)
    copy_to_output();
  d.flushedPos = d.writePos;
}
