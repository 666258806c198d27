#include "tools/vornak/upper_utf8.h"

#include <algorithm>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/utf16.h"
#include "tools/vornak/vornak.h"

namespace tv::vornak {

namespace {

unsigned char* PutBmpUnit(char16_t u, unsigned char* out) {
  if (u < 0x80) {
    *out++ = static_cast<unsigned char>(u);
  } else if (u < 0x800) {
    *out++ = static_cast<unsigned char>(0xC0 | (u >> 6));
    *out++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
  } else {
    *out++ = static_cast<unsigned char>(0xE0 | (u >> 12));
    *out++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    *out++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
  }
  return out;
}

// One character, stray byte or CR LF at p, with `avail` bytes in view (at
// least four unless the text ends sooner); returns the bytes taken.
size_t UpperCaseOne(const unsigned char* p, size_t avail, unsigned char** out) {
  unsigned char b = p[0];
  if (b < 0x80) {
    if (b == '\r' && avail >= 2 && p[1] == '\n') {
      *(*out)++ = '\n';
      return 2;
    }
    *(*out)++ = (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : b;
    return 1;
  }
  char32_t cp;
  size_t length = DecodeUtf8Sequence(p, avail, &cp);
  // A stray byte, and a character beyond the BMP (whose surrogate halves
  // have no case), go out as they came.
  if (length == 0 || cp >= 0x10000) {
    length = std::max<size_t>(length, 1);
    std::memcpy(*out, p, length);
    *out += length;
    return length;
  }
  *out = PutBmpUnit(UpperCaseUnit(static_cast<char16_t>(cp)), *out);
  return length;
}

#if defined(__SSE2__)
// Upper-cases 16 bytes at once when nothing in them can change but ASCII
// small letters and full-width ones (EF BD 81-9A, which become EF BC
// A1-BA); false, with nothing stored, for a block holding a CR, a lead byte
// C0-E2 (Latin, Greek, Cyrillic, letter-like symbols), EA (U+A000-AFFF,
// which has case) or F0-FF, or an EF in its last two bytes. The lead bytes
// let through start characters without case, whatever bytes follow them,
// so a block may begin or end inside one. An ASCII byte is always a
// character of its own.
bool UpperCaseBlock(const unsigned char* p, unsigned char* out) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  auto equal = [](__m128i x, int byte) {
    return _mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(byte)));
  };
  // Bytes from `low` up to `low + span`, with wrapping subtraction.
  auto within = [](__m128i x, int low, int span) {
    __m128i above = _mm_subs_epu8(_mm_sub_epi8(x, _mm_set1_epi8(static_cast<char>(low))),
                                  _mm_set1_epi8(static_cast<char>(span)));
    return _mm_cmpeq_epi8(above, _mm_setzero_si128());
  };
  const __m128i ef = equal(v, 0xEF);
  __m128i refused = _mm_or_si128(_mm_or_si128(equal(v, '\r'), within(v, 0xC0, 0x22)),
                                 _mm_or_si128(equal(v, 0xEA), within(v, 0xF0, 0x0F)));
  if ((_mm_movemask_epi8(refused) | (_mm_movemask_epi8(ef) & 0xC000)) != 0) return false;

  __m128i small = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('a' - 1)),
                                _mm_cmplt_epi8(v, _mm_set1_epi8('z' + 1)));
  // BD after EF and before 81-9A: no EF sits in the last two bytes, so the
  // letter's byte is in this block too.
  __m128i bd = _mm_and_si128(_mm_and_si128(equal(v, 0xBD), equal(_mm_slli_si128(v, 1), 0xEF)),
                             within(_mm_srli_si128(v, 1), 0x81, 0x19));
  __m128i letter = _mm_slli_si128(bd, 1);
  __m128i result = _mm_sub_epi8(v, _mm_and_si128(small, _mm_set1_epi8(0x20)));
  result = _mm_sub_epi8(result, _mm_and_si128(bd, _mm_set1_epi8(0x01)));
  result = _mm_add_epi8(result, _mm_and_si128(letter, _mm_set1_epi8(0x20)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), result);
  return true;
}
#endif

}  // namespace

size_t UpperCaseUtf8(const unsigned char* in, size_t n, bool last, unsigned char* out,
                     size_t* written) {
  unsigned char* o = out;
  size_t i = 0;
  for (;;) {
#if defined(__SSE2__)
    while (n - i >= 16 && UpperCaseBlock(in + i, o)) {
      i += 16;
      o += 16;
    }
#endif
    // Past the block that was refused, a character at a time. Starting
    // inside a character is harmless: its lead had no case, and the bytes
    // left of it go out as they came, as stray bytes do.
    size_t until = std::min(i + 16, n);
    while (i < until && (last || n - i >= 4)) i += UpperCaseOne(in + i, n - i, &o);
    if (i == n || (!last && n - i < 4)) break;
  }
  *written = static_cast<size_t>(o - out);
  return i;
}

bool UpperCaseUtf8Stream(ByteSource& source, bool skip_mark, WideWriter& out) {
  // Its output fits the writer's buffer whole.
  constexpr size_t kPiece = 40 * 1024;
  std::unique_ptr<unsigned char[]> buf(new unsigned char[kPiece]);
  size_t held = 0;
  bool ended = false;
  bool failed = false;
  bool mark_pending = skip_mark;
  while (!ended && !out.failed()) {
    ptrdiff_t got = source.Read(buf.get() + held, kPiece - held);
    if (got <= 0) {
      // What was read before a read error goes out, as at the end.
      failed = got < 0;
      ended = true;
    } else {
      held += static_cast<size_t>(got);
    }
    size_t start = 0;
    if (mark_pending) {
      if (held < 3 && !ended) continue;
      mark_pending = false;
      if (held >= 3 && std::memcmp(buf.get(), "\xEF\xBB\xBF", 3) == 0) start = 3;
    }
    size_t room;
    unsigned char* o = reinterpret_cast<unsigned char*>(
        out.BufferFor(UpperCaseUtf8Room(held - start), &room));
    size_t written;
    start += UpperCaseUtf8(buf.get() + start, held - start, ended, o, &written);
    out.CommitBytes(written);
    std::memmove(buf.get(), buf.get() + start, held - start);
    held -= start;
  }
  return !failed;
}

}  // namespace tv::vornak
