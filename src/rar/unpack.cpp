// SPDX-License-Identifier: MIT
// The RAR 2.0 decompressor: LZ77 over a 1 MiB window with canonical Huffman
// codes, an old-distance ring, and an audio mode of predicted deltas.
#include <cstring>

#include "rar/rar_format.h"
#include "rar_internal.h"

namespace {

// Refill points: past these input positions the next step could read beyond
// the buffer, so it is refilled first (the last 32 bytes are kept).
constexpr uint32_t kRefillMainLoop = 8162;
constexpr uint32_t kRefillTables = 8167;
constexpr uint32_t kRefillLengthCode = 8187;
// When fewer window bytes than this are left before the first unflushed one,
// the next match (at most 260 bytes) could overwrite bytes not yet handed to
// the output: the window is flushed first.
constexpr uint32_t kFlushMargin = 270;

// ---- bit input: MSB first, from the input position and bit ----------------
// The hot loop keeps its reader in locals: stores into the window (bytes)
// could alias any field of the module's state and would force every field
// back to memory after each byte.
struct BitReader {
  const unsigned char *input; // the decoder's input buffer
  uint32_t pos;               // byte index of the next unread bit
  uint32_t bit;               // 0..7, from the byte's most significant bit

  // The next 16 bits. Reads four bytes; the buffer has room past its end.
  uint32_t peek16() const {
    uint32_t word;
    memcpy(&word, input + pos, 4);
    word = __builtin_bswap32(word);
    return (word >> (16 - bit)) & 0xFFFF;
  }
  void skip(uint32_t n) {
    bit += n;
    pos += bit >> 3;
    bit &= 7;
  }
  uint32_t get(uint32_t n) {
    if (n == 0)
      return 0;
    uint32_t v = peek16() >> (16 - n);
    skip(n);
    return v;
  }
};

inline BitReader reader_of(const DecoderState &d) {
  return BitReader{d.input, d.inputPos, d.inputBit};
}
inline void keep_reader(DecoderState &d, const BitReader &b) {
  d.inputPos = b.pos;
  d.inputBit = b.bit;
}

inline uint32_t peek16(const DecoderState &d) {
  return reader_of(d).peek16();
}

inline void skip_bits(DecoderState &d, uint32_t n) {
  BitReader b = reader_of(d);
  b.skip(n);
  keep_reader(d, b);
}

inline uint32_t get_bits(DecoderState &d, uint32_t n) {
  BitReader b = reader_of(d);
  uint32_t v = b.get(n);
  keep_reader(d, b);
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

// One symbol: short codes in one look-up, longer ones by the search.
inline uint32_t decode_with(BitReader &b, const DecodeTable &t) {
  uint32_t v = b.peek16() & 0xFFFE;
  uint32_t quick = t.quick[v >> (16 - kQuickBits)];
  if (quick != 0) {
    b.skip(quick >> 12);
    return quick & 0xFFF;
  }
  uint32_t bits = code_length(t, v, kQuickBits + 1);
  b.skip(bits);
  return symbol_at(t, v, bits);
}

// Signed 32-bit arithmetic that wraps like the machine's, without overflow.
inline int32_t wrap_sub(int32_t a, int32_t b) {
  return int32_t(uint32_t(a) - uint32_t(b));
}
inline uint32_t abs_diff(int32_t a, int32_t b) {
  int32_t d = wrap_sub(a, b);
  return d < 0 ? 0u - uint32_t(d) : uint32_t(d);
}
inline uint32_t abs_sum(int32_t a, int32_t b) {
  int32_t d = int32_t(uint32_t(a) + uint32_t(b));
  return d < 0 ? 0u - uint32_t(d) : uint32_t(d);
}

// Copies `length` bytes where every source byte may be read before any
// destination byte is written; short copies in two overlapping words.
inline void copy_forward(unsigned char *dst, const unsigned char *src, uint32_t length) {
  if (length > 16) {
    memmove(dst, src, length);
  } else if (length >= 8) {
    uint64_t head, tail;
    memcpy(&head, src, 8);
    memcpy(&tail, src + length - 8, 8);
    memcpy(dst, &head, 8);
    memcpy(dst + length - 8, &tail, 8);
  } else if (length >= 4) {
    uint32_t head, tail;
    memcpy(&head, src, 4);
    memcpy(&tail, src + length - 4, 4);
    memcpy(dst, &head, 4);
    memcpy(dst + length - 4, &tail, 4);
  } else if (length > 0) {
    unsigned char first = src[0], middle = src[length / 2], last = src[length - 1];
    dst[0] = first;
    dst[length / 2] = middle;
    dst[length - 1] = last;
  }
}

// Appends a match to the window at `to` and returns the new write position.
// Overlapping copies repeat the last bytes, exactly as a byte-by-byte copy
// would; copies that cannot overlap or wrap go in blocks.
inline uint32_t copy_window(unsigned char *window, uint32_t to, uint32_t length, uint32_t distance) {
  uint32_t from = (to - distance) & kWindowMask;
  if (from + length <= kWindowSize && to + length <= kWindowSize) {
    unsigned char *dst = window + to;
    const unsigned char *src = window + from;
    if (from > to || distance >= length) {
      // Source ahead of the destination, or wholly behind it: a forward
      // copy reads only bytes it has not yet written, so all source bytes
      // may be loaded before any is stored.
      copy_forward(dst, src, length);
    } else if (distance == 1) {
      memset(dst, *src, length);
    } else if (distance >= 8) {
      uint32_t i = 0;
      for (; i + 8 <= length; i += 8)
        memcpy(dst + i, src + i, 8);
      for (; i < length; i++)
        dst[i] = src[i];
    } else {
      for (uint32_t i = 0; i < length; i++)
        dst[i] = src[i];
    }
    return (to + length) & kWindowMask;
  }
  while (length-- > 0) {
    window[to] = window[from];
    to = (to + 1) & kWindowMask;
    from = (from + 1) & kWindowMask;
  }
  return to;
}

// The match bookkeeping: last distance and length, and the ring of four.
inline void note_match(DecoderState &d, uint32_t length, uint32_t distance) {
  d.lastDist = distance;
  d.oldDist[d.oldDistCount & 3] = distance;
  d.oldDistCount++;
  d.lastLength = length;
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
// The audio byte for a delta symbol, from the current channel's predictor,
// which then learns from it (see decode_audio_byte).
inline unsigned char predict_audio_byte(DecoderState &d, uint32_t delta) {
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

} // namespace

void reset_decoder() {
  ExtractorState &s = rar_state;
  DecoderState &d = s.decoder;
  d.inputPos = 0;
  d.inputBit = 0;
  // Whatever follows writes to the window.
  const bool windowClean = s.windowClean;
  s.windowClean = false;
  if ((s.fileHeader.flags & kFileSolidContinuation) != 0)
    return;
  d.currentChannel = 0;
  d.channelDelta = 0;
  memset(d.channels, 0, sizeof d.channels);
  memset(d.oldDist, 0, sizeof d.oldDist);
  d.oldDistCount = 0;
  memset(d.previousLengths, 0, sizeof d.previousLengths);
  d.lastDist = 0;
  d.lastLength = 0;
  d.writePos = 0;
  d.flushedPos = 0;
  // A window fresh from calloc is already zero; clearing it again would only
  // make the system hand over all of its pages.
  if (!windowClean)
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
  BitReader b = reader_of(d);
  uint32_t symbol = decode_with(b, *table);
  keep_reader(d, b);
  return symbol;
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

  // Lengths past this table's count keep their previous values (zeros after a
  // fresh start), so a later table that builds on them finds what the packer
  // assumed: the lengths of the last table that reached that far.
  unsigned char *lengths = d.lengths;
  memcpy(lengths, d.previousLengths, kTableLengths);
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
  return predict_audio_byte(rar_state.decoder, delta);
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

  // The loop's state lives in locals; `store` hands it back to the module's
  // record before any step that works on the record, `load` takes it again.
  BitReader b = reader_of(d);
  uint32_t write = d.writePos;
  int64_t left = s.unpackedLeft - 1;
  auto store = [&] {
    keep_reader(d, b);
    d.writePos = write;
    s.unpackedLeft = left;
  };
  auto load = [&] {
    b = reader_of(d);
    write = d.writePos;
    left = s.unpackedLeft;
  };

  while (left >= 0) {
    if (b.pos > kRefillMainLoop) {
      store();
      refill_input(false);
      load();
    }
    // Past the bytes really read, the packed data has run out: what would
    // follow is made of stale bytes and could run on without end.
    if (b.pos > d.inputEnd)
      break;
    if (((d.flushedPos - write) & kWindowMask) < kFlushMargin && d.flushedPos != write) {
      store();
      flush_window();
      load();
    }

    if (d.audioMode) {
      uint32_t symbol = decode_with(b, d.audioTables[d.currentChannel]);
      if (symbol == kAudioNewTableSymbol) {
        store();
        read_tables();
        load();
        continue;
      }
      window[write] = predict_audio_byte(d, symbol);
      write = (write + 1) & kWindowMask;
      if (++d.currentChannel == d.channelCount)
        d.currentChannel = 0;
      left--;
      continue;
    }

    uint32_t symbol = decode_with(b, d.mainTable);
    if (symbol < 256) {
      window[write] = (unsigned char)symbol;
      write = (write + 1) & kWindowMask;
      left--;
      continue;
    }
    uint32_t length;
    uint32_t distance;
    if (symbol >= 270) {
      uint32_t slot = symbol - 270;
      length = kLengthBase[slot] + 3 + b.get(kLengthBits[slot]);
      uint32_t distSlot = decode_with(b, d.distTable);
      distance = kDistBase[distSlot] + 1 + b.get(kDistBits[distSlot]);
      if (distance >= 0x40000)
        length++;
      if (distance >= 0x2000)
        length++;
    } else if (symbol == kNewTableSymbol) {
      store();
      read_tables();
      load();
      continue;
    } else if (symbol == 256) {
      length = d.lastLength;
      distance = d.lastDist;
    } else if (symbol < 261) {
      distance = d.oldDist[(d.oldDistCount - (symbol - 256)) & 3];
      uint32_t repeatSlot = decode_with(b, d.repeatTable);
      length = kLengthBase[repeatSlot] + 2 + b.get(kLengthBits[repeatSlot]);
      if (distance >= 0x40000)
        length++;
      if (distance >= 0x2000)
        length++;
      if (distance >= 0x101)
        length++;
    } else {
      uint32_t slot = symbol - 261;
      distance = kShortDistBase[slot] + 1 + b.get(kShortDistBits[slot]);
      length = 2;
    }
    note_match(d, length, distance);
    left -= length;
    write = copy_window(window, write, length, distance);
  }
  store();
  read_tables_at_end();
  if (s.found && d.flushedPos != d.writePos)
    copy_to_output();
  d.flushedPos = d.writePos;
}
