#include "platform/wide_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/byte_lanes.h"
#include "platform/char_starts.h"
#include "platform/cp932.h"
#include "platform/cp932_table.h"
#include "platform/utf16.h"
#include "platform/utf8_block.h"

namespace tv {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr char16_t kNoTrailUnit = 0x30FB;  // a lead byte with no trail byte

// Copies a run of plain ASCII bytes (no CR, which may start a CR LF) as
// units, many at a time; returns how many bytes it took. It may store units
// past the run, within `room`.
size_t CopyAsciiRun(const unsigned char* in, size_t avail, char16_t* out, size_t room) {
  size_t i = 0;
  size_t limit = std::min(avail, room);
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i cr = _mm_set1_epi8('\r');
  while (i + 16 <= limit) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    // High bit: not ASCII; or a CR.
    unsigned stop =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, cr))));
    if (stop != 0) return i + static_cast<size_t>(std::countr_zero(stop));
    i += 16;
  }
#endif
  while (i + 8 <= limit) {
    uint64_t word;
    std::memcpy(&word, in + i, 8);
    uint64_t cr_bytes = word ^ 0x0D0D0D0D0D0D0D0Dull;
    bool has_cr = ((cr_bytes - 0x0101010101010101ull) & ~cr_bytes & 0x8080808080808080ull) != 0;
    if ((word & 0x8080808080808080ull) != 0 || has_cr) break;
    for (size_t k = 0; k < 8; ++k) out[i + k] = in[i + k];
    i += 8;
  }
  return i;
}

// One character of code page 932 text whose next byte is in view: its unit
// and the bytes it takes. A lead byte takes any trail byte but zero (which
// stays a character of its own); CR LF is one line feed. The same result as
// DecodeNext, from the tables directly. (Branches serve better here than
// arithmetic: where the next character starts would otherwise wait for
// each table lookup, while predicted branches let the processor run ahead.)
struct TextChar {
  char16_t unit;
  size_t bytes;
};

inline TextChar DecodeTextChar(const unsigned char* p) {
  unsigned char b = p[0];
  unsigned char next = p[1];
  uint8_t row = cp932::kLeadRow[b];
  if (row != 0xFF) {
    if (next != 0) return {cp932::kPair[row][next], 2};
    return {kNoTrailUnit, 1};
  }
  if (b == '\r' && next == '\n') return {u'\n', 2};
  return {cp932::kSingleByte[b], 1};
}

// The unit of the character that starts with byte b0 when b1 follows it
// (taken along or not), at b0 | b1 << 8 for every two bytes: one lookup a
// character once its start is known, indexed by the two bytes as they lie.
// Static, not on the heap: reading must not fail for want of memory.
const char16_t* TextUnits() {
  static char16_t units[0x10000];
  static const bool filled = [] {
    for (unsigned i = 0; i < 0x10000; ++i) {
      const unsigned char bytes[2] = {static_cast<unsigned char>(i),
                                      static_cast<unsigned char>(i >> 8)};
      units[i] = DecodeTextChar(bytes).unit;
    }
    return true;
  }();
  (void)filled;
  return units;
}

// The two bytes at `in` as a TextUnits index.
inline unsigned TwoBytes(const unsigned char* in) {
  uint16_t bytes;
  std::memcpy(&bytes, in, 2);
  if constexpr (std::endian::native != std::endian::little) bytes = __builtin_bswap16(bytes);
  return bytes;
}

#if defined(__SSE2__)
constexpr size_t kBlockBytes = 64;

// The lanes that hold a lead byte (0x81-0x9F, 0xE0-0xFC): XOR 0x20 moves
// them to 0xA1-0xBF and 0xC0-0xDC, one stretch.
inline uint64_t LeadBytes(__m128i block) {
  __m128i moved = _mm_sub_epi8(_mm_xor_si128(block, _mm_set1_epi8(0x20)),
                               _mm_set1_epi8(static_cast<char>(0xA1)));
  __m128i lead = _mm_cmpeq_epi8(_mm_subs_epu8(moved, _mm_set1_epi8(0x3B)), _mm_setzero_si128());
  return static_cast<uint16_t>(_mm_movemask_epi8(lead));
}

// Decodes the characters that start in the 64 bytes at `in`, whose first
// byte starts one; in[64] must be readable, and is taken along when the
// last character needs it. With `stop_at_line_feed` it stops after the
// first line feed (a line feed byte, or CR LF). Stores the units at `out`
// (room for 64 needed); returns the bytes taken, *units the units stored,
// *line_end whether a line feed ended it.
//
// Where characters start is worked out for the whole block at once, from
// the bytes that take the next one along: a lead byte before anything but
// zero, a CR before LF.
inline size_t DecodeTextBlock(const unsigned char* in, char16_t* out, bool stop_at_line_feed,
                              size_t* units, bool* line_end) {
  uint64_t high = 0, lead = 0, zero = 0, cr = 0, lf = 0;
  for (size_t k = 0; k < kBlockBytes; k += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
    high |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(block))) << k;
    lead |= LeadBytes(block) << k;
    zero |= BytesEqual(block, 0) << k;
    cr |= BytesEqual(block, '\r') << k;
    lf |= BytesEqual(block, '\n') << k;
  }
  *line_end = false;
  if ((high | cr) == 0 && !(stop_at_line_feed && lf != 0)) {
    // Plain ASCII: every byte is its own unit.
    const __m128i zero_bytes = _mm_setzero_si128();
    for (size_t k = 0; k < kBlockBytes; k += 16) {
      __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_unpacklo_epi8(block, zero_bytes));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8),
                       _mm_unpackhi_epi8(block, zero_bytes));
    }
    *units = kBlockBytes;
    return kBlockBytes;
  }
  uint64_t zero_after = zero >> 1 | static_cast<uint64_t>(in[64] == 0) << 63;
  uint64_t lf_after = lf >> 1 | static_cast<uint64_t>(in[64] == '\n') << 63;
  uint64_t takes_next = (lead & ~zero_after) | (cr & lf_after);
  uint64_t starts = CharacterStarts(takes_next);
  size_t taken = kBlockBytes + (LastCharacterGoesOn(starts, takes_next) ? 1 : 0);
  if (stop_at_line_feed) {
    uint64_t ends = starts & (lf | (cr & lf_after));
    if (ends != 0) {
      int e = std::countr_zero(ends);
      starts &= ((ends & -ends) << 1) - 1;  // up to the line feed's start
      taken = static_cast<size_t>(e) + 1 + static_cast<size_t>((takes_next >> e) & 1);
      *line_end = true;
    }
  }
  const char16_t* table = TextUnits();
  size_t n = 0;
  for (; starts != 0; starts &= starts - 1) {
    size_t i = static_cast<size_t>(std::countr_zero(starts));
    out[n++] = table[TwoBytes(in + i)];
  }
  *units = n;
  return taken;
}

#endif

}  // namespace

WideReader::WideReader(ByteSource* source, InputMode mode)
    : source_(source),
      mode_(mode),
      buf_(new unsigned char[kBufferSize]),
      mark_pending_(mode == InputMode::kUtf8Text) {}

WideReader::WideReader(std::unique_ptr<ByteSource> source, InputMode mode)
    : owned_(std::move(source)),
      source_(owned_.get()),
      mode_(mode),
      buf_(new unsigned char[kBufferSize]),
      mark_pending_(mode == InputMode::kUtf8Text) {}

size_t WideReader::Fill(size_t want) {
  while (end_ - pos_ < want && !eof_ && !error_) {
    if (pos_ > 0) {
      std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    ptrdiff_t n = source_ ? source_->Read(buf_.get() + end_, kBufferSize - end_) : 0;
    if (n < 0) {
      error_ = true;
    } else if (n == 0) {
      eof_ = true;
    } else {
      end_ += static_cast<size_t>(n);
    }
  }
  return end_ - pos_;
}

bool WideReader::SettleMark() {
  if (!mark_pending_) return true;
  if (end_ - pos_ < 3 && !eof_ && !error_) return false;
  mark_pending_ = false;
  if (end_ - pos_ >= 3 && std::memcmp(buf_.get() + pos_, "\xEF\xBB\xBF", 3) == 0) pos_ += 3;
  return true;
}

int WideReader::DecodeNext() {
  bool utf8 = mode_ == InputMode::kConsole || mode_ == InputMode::kUtf8Text;
  size_t avail = Fill(utf8 ? 4 : 2);
  if (mark_pending_) {
    SettleMark();  // four bytes are in, or all there are
    avail = Fill(4);
  }
  if (avail == 0) return error_ ? kError : kEnd;
  const unsigned char* p = buf_.get() + pos_;
  switch (mode_) {
    case InputMode::kUnicode:
      if (avail < 2) {  // an odd last byte is dropped
        pos_ = end_;
        return error_ ? kError : kEnd;
      }
      pos_ += 2;
      return p[0] | (p[1] << 8);
    case InputMode::kText:
      if (p[0] == '\r' && avail >= 2 && p[1] == '\n') {
        pos_ += 2;
        return '\n';
      }
      if (Cp932IsLeadByte(p[0])) {
        if (avail < 2 || p[1] == 0) {  // no trail byte: the default char
          pos_ += 1;
          return Cp932PairToUnit(p[0], 0);
        }
        pos_ += 2;
        return Cp932PairToUnit(p[0], p[1]);
      }
      pos_ += 1;
      return Cp932SingleByteToUnit(p[0]);
    case InputMode::kConsole:
    case InputMode::kUtf8Text: {
      if (p[0] == '\r' && avail >= 2 && p[1] == '\n') {
        pos_ += 2;
        return '\n';
      }
      char32_t cp;
      size_t len = DecodeUtf8Sequence(p, avail, &cp);
      if (len == 0) {
        pos_ += 1;
        return 0xDC00 + p[0];
      }
      pos_ += len;
      if (cp >= 0x10000) {
        cp -= 0x10000;
        pending_low_ = static_cast<int>(0xDC00 + (cp & 0x3FF));
        return static_cast<int>(0xD800 + (cp >> 10));
      }
      return static_cast<int>(cp);
    }
  }
  return kError;
}

size_t WideReader::DecodeBuffered(char16_t* out, size_t max) {
  if (!SettleMark()) return 0;
  const unsigned char* buf = buf_.get();
  size_t pos = pos_;
  const size_t end = end_;
  size_t n = 0;
  switch (mode_) {
    case InputMode::kUnicode: {
      size_t units = std::min((end - pos) / 2, max);
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, buf + pos, units * 2);
      } else {
        for (size_t i = 0; i < units; ++i) out[i] = buf[pos + 2 * i] | (buf[pos + 2 * i + 1] << 8);
      }
      pos += units * 2;
      n = units;
      break;
    }
    case InputMode::kText:
#if defined(__SSE2__)
      while (end - pos > kBlockBytes && max - n >= kBlockBytes) {
        size_t units;
        bool line_end;
        pos += DecodeTextBlock(buf + pos, out + n, false, &units, &line_end);
        n += units;
      }
#endif
      // Every character is decoded with the byte after it in view.
      while (n < max && end - pos >= 2) {
        TextChar c = DecodeTextChar(buf + pos);
        out[n++] = c.unit;
        pos += c.bytes;
      }
      // A last byte that needs no next one goes now; CR or a lead byte
      // waits for more input.
      if (n < max && end - pos == 1 && buf[pos] != '\r' && !Cp932IsLeadByte(buf[pos])) {
        out[n++] = Cp932SingleByteToUnit(buf[pos]);
        ++pos;
      }
      break;
    case InputMode::kConsole:
    case InputMode::kUtf8Text: {
      // Whole blocks while they hold only short, valid characters; the
      // bytes of a block that does not go character by character.
      size_t by_character_until = 0;
      while (n < max && pos < end) {
        if (pos >= by_character_until && end - pos >= kUtf8BlockBytes + 3 &&
            max - n >= kUtf8BlockBytes) {
          size_t units;
          bool refused;
          pos += DecodeUtf8Blocks(buf + pos, end - pos, out + n, max - n, &units, &refused);
          n += units;
          if (refused) by_character_until = pos + kUtf8BlockBytes;
        }
        size_t run = CopyAsciiRun(buf + pos, end - pos, out + n, max - n);
        pos += run;
        n += run;
        if (n == max || pos == end) break;
        unsigned char b = buf[pos];
        if (b < 0x80 && b != '\r') {
          out[n++] = b;
          ++pos;
          continue;
        }
        if (end - pos < 4) break;  // the longest sequence may not be here yet
        // Three-byte characters (all of kana and kanji) decoded in place.
        if ((b & 0xF0) == 0xE0 && (buf[pos + 1] & 0xC0) == 0x80 && (buf[pos + 2] & 0xC0) == 0x80) {
          char16_t u = static_cast<char16_t>(((b & 0x0F) << 12) | ((buf[pos + 1] & 0x3F) << 6) |
                                             (buf[pos + 2] & 0x3F));
          if (u >= 0x800 && (u < 0xD800 || u > 0xDFFF)) {  // not overlong, not a surrogate
            out[n++] = u;
            pos += 3;
            continue;
          }
        }
        if (b == '\r') {
          bool pair = buf[pos + 1] == '\n';
          out[n++] = pair ? u'\n' : u'\r';
          pos += pair ? 2 : 1;
          continue;
        }
        char32_t cp;
        size_t len = DecodeUtf8Sequence(buf + pos, end - pos, &cp);
        if (len == 0) {
          out[n++] = static_cast<char16_t>(0xDC00 + b);
          ++pos;
        } else if (cp < 0x10000) {
          out[n++] = static_cast<char16_t>(cp);
          pos += len;
        } else {
          if (max - n < 2) break;
          cp -= 0x10000;
          out[n++] = static_cast<char16_t>(0xD800 + (cp >> 10));
          out[n++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
          pos += len;
        }
      }
      break;
    }
  }
  pos_ = pos;
  return n;
}

size_t WideReader::GetUnits(char16_t* out, size_t max) {
  size_t n = 0;
  while (n < max && (pushed_back_ >= 0 || pending_low_ >= 0)) {
    out[n++] = static_cast<char16_t>(GetUnit());
  }
  while (n < max) {
    n += DecodeBuffered(out + n, max - n);
    // Deliver what is at hand rather than wait for more input.
    if (n > 0) break;
    int u = DecodeNext();  // refills the buffer, or tells the end
    if (u < 0) break;
    out[n++] = static_cast<char16_t>(u);
    if (pending_low_ >= 0 && n < max) {
      out[n++] = static_cast<char16_t>(pending_low_);
      pending_low_ = -1;
    }
  }
  return n;
}

int WideReader::GetUnit() {
  if (pushed_back_ >= 0) {
    int u = pushed_back_;
    pushed_back_ = -1;
    return u;
  }
  if (pending_low_ >= 0) {
    int u = pending_low_;
    pending_low_ = -1;
    return u;
  }
  return DecodeNext();
}

void WideReader::UngetUnit(char16_t unit) { pushed_back_ = unit; }

bool WideReader::CopyBuffered(char16_t* buf, size_t room, size_t* n) {
  if (pushed_back_ >= 0 || pending_low_ >= 0) return false;
  const unsigned char* p = buf_.get() + pos_;
  const unsigned char* end = buf_.get() + end_;
  size_t i = *n;
  bool line_end = false;
  if (mode_ == InputMode::kText) {
    // Two bytes stay in view, so a CR sees what follows it and a lead byte
    // its trail byte; the rest is left to DecodeNext. Code page 932 never
    // gives a line feed for a pair, so a line ends at a line feed byte or
    // CR LF alone.
#if defined(__SSE2__)
    while (end - p > static_cast<ptrdiff_t>(kBlockBytes) && room - i >= kBlockBytes) {
      size_t units;
      p += DecodeTextBlock(p, buf + i, true, &units, &line_end);
      i += units;
      if (line_end) break;
    }
#endif
    while (!line_end && i < room && end - p >= 2) {
      TextChar t = DecodeTextChar(p);
      buf[i++] = t.unit;
      p += t.bytes;
      if (t.unit == u'\n') {
        line_end = true;
        break;
      }
    }
  } else if (mode_ == InputMode::kUnicode) {
    while (i < room && end - p >= 2) {
      char16_t u = static_cast<char16_t>(p[0] | (p[1] << 8));
      buf[i++] = u;
      p += 2;
      if (u == u'\n') {
        line_end = true;
        break;
      }
    }
  }
  pos_ = static_cast<size_t>(p - buf_.get());
  *n = i;
  return line_end;
}

ReadStatus WideReader::GetLine(char16_t* buf, size_t limit, size_t* length) {
  size_t n = 0;
  ReadStatus status = ReadStatus::kOk;
  while (n + 1 < limit) {
    if (CopyBuffered(buf, limit - 1, &n)) break;
    if (n + 1 >= limit) break;
    int u = GetUnit();
    if (u == kError) {
      status = ReadStatus::kError;
      break;
    }
    if (u == kEnd) {
      if (n == 0) status = ReadStatus::kEnd;
      break;
    }
    buf[n++] = static_cast<char16_t>(u);
    if (u == '\n') break;
  }
  if (limit > 0) buf[n < limit ? n : limit - 1] = 0;
  *length = n;
  return status;
}

ReadStatus WideReader::GetLine(std::u16string* line) {
  line->clear();
  for (;;) {
    int u = GetUnit();
    if (u == kError) return ReadStatus::kError;
    if (u == kEnd) return line->empty() ? ReadStatus::kEnd : ReadStatus::kOk;
    line->push_back(static_cast<char16_t>(u));
    if (u == '\n') return ReadStatus::kOk;
  }
}

}  // namespace tv
