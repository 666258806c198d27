#include "platform/wide_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/cp932.h"
#include "platform/cp932_table.h"
#include "platform/utf16.h"

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
    unsigned stop = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, cr))));
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

#if defined(__SSE2__)
// Widens the 16 bytes at `in` to units at `out` (room for 16 needed) and
// returns how many of them, from the first, are plain ASCII; a byte in
// `also_stop` (besides CR) ends the run too.
inline size_t WidenAsciiBlock(const unsigned char* in, char16_t* out, char also_stop) {
  const __m128i zero = _mm_setzero_si128();
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
  __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                               _mm_cmpeq_epi8(bytes, _mm_set1_epi8(also_stop)));
  unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(bytes, stops)));
  return mask == 0 ? 16 : static_cast<size_t>(std::countr_zero(mask));
}
#endif

}  // namespace

WideReader::WideReader(ByteSource* source, InputMode mode)
    : source_(source), mode_(mode), buf_(new unsigned char[kBufferSize]) {}

WideReader::WideReader(std::unique_ptr<ByteSource> source, InputMode mode)
    : owned_(std::move(source)),
      source_(owned_.get()),
      mode_(mode),
      buf_(new unsigned char[kBufferSize]) {}

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

int WideReader::DecodeNext() {
  size_t avail = Fill(mode_ == InputMode::kConsole ? 4 : 2);
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
    case InputMode::kConsole: {
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
      // Every character is decoded with the byte after it in view.
      while (n < max && end - pos >= 2) {
#if defined(__SSE2__)
        if (end - pos >= 32 && max - n >= 24) {
          // Sixteen bytes at once while they are plain ASCII; else the run
          // of them and then eight characters.
          size_t run = WidenAsciiBlock(buf + pos, out + n, '\r');
          pos += run;
          n += run;
          if (run == 16) continue;
          for (int k = 0; k < 8; ++k) {
            TextChar c = DecodeTextChar(buf + pos);
            out[n++] = c.unit;
            pos += c.bytes;
          }
          continue;
        }
#endif
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
      while (n < max && pos < end) {
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
    // its trail byte; the rest is left to DecodeNext.
    // Code page 932 never gives a line feed for a pair, so a line ends at
    // a line feed byte or CR LF alone.
    while (i < room && end - p >= 2) {
#if defined(__SSE2__)
      if (end - p >= 32 && room - i >= 24) {
        // Sixteen bytes at once while they are plain ASCII; else the run of
        // them, up to a line feed, and then up to eight characters.
        size_t run = WidenAsciiBlock(p, buf + i, '\n');
        p += run;
        i += run;
        if (run == 16) continue;
        int k = 0;
        do {
          TextChar t = DecodeTextChar(p);
          buf[i++] = t.unit;
          p += t.bytes;
          line_end = t.unit == u'\n';
        } while (!line_end && ++k < 8);
        if (line_end) break;
        continue;
      }
#endif
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
