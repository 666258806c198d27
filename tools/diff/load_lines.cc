#include "tools/diff/load_lines.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tv {

namespace {

// Units decoded at a time.
constexpr size_t kReadUnits = 64 * 1024;

// The first line feed in [from, to), or `to`; eight units at a time.
const char16_t* FindLineFeed(const char16_t* from, const char16_t* to) {
#if defined(__SSE2__)
  const __m128i line_feed = _mm_set1_epi16(u'\n');
  for (; to - from >= 8; from += 8) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, line_feed)));
    if (hits != 0) return from + __builtin_ctz(hits) / 2;
  }
#endif
  return std::find(from, to, u'\n');
}

// The units of a piece without its line end (LF, or CR LF; a lone CR stays
// part of the text).
size_t LineLength(const char16_t* piece, size_t units) {
  if (units >= 2 && piece[units - 2] == u'\r' && piece[units - 1] == u'\n') return units - 2;
  if (units >= 1 && piece[units - 1] == u'\n') return units - 1;
  return units;
}

}  // namespace

LoadResult LoadLines(WideReader* in, DiffLineArray* lines) {
  if (in == nullptr) return LoadResult::kNoStream;
  // The text is decoded many units at a time and cut where a line read of
  // kDiffLineUnits would end: after a line feed, or after kDiffLineUnits - 1
  // units of a longer line. A line not yet complete moves to the front of
  // the buffer to wait for the units that finish it.
  constexpr size_t kLongest = kDiffLineUnits - 1;
  constexpr size_t kBufferUnits = kReadUnits + kLongest;
  std::unique_ptr<char16_t[]> buffer(new (std::nothrow) char16_t[kBufferUnits]);
  if (!buffer) return LoadResult::kOutOfMemory;
  char16_t* const start = buffer.get();
  size_t pending = 0;
  for (;;) {
    size_t got = in->GetUnits(start + pending, kBufferUnits - pending);
    // A failed read would leave a cut file to be compared as if whole.
    if (got == 0 && in->failed()) return LoadResult::kReadError;
    const bool at_end = got == 0;
    const size_t available = pending + got;
    size_t pos = 0;
    try {
      while (pos < available) {
        const char16_t* from = start + pos;
        size_t reach = std::min(available - pos, kLongest);
        const char16_t* line_feed = FindLineFeed(from, from + reach);
        size_t piece;
        if (line_feed != from + reach) {
          piece = static_cast<size_t>(line_feed - from) + 1;
        } else if (reach == kLongest || at_end) {
          piece = reach;  // a cut-off piece, or the last line without an end
        } else {
          break;  // the rest of the line is still to come
        }
        lines->Append(std::u16string_view(from, LineLength(from, piece)));
        pos += piece;
      }
    } catch (const std::bad_alloc&) {
      return LoadResult::kOutOfMemory;
    }
    if (at_end) return LoadResult::kOk;
    pending = available - pos;
    std::memmove(start, start + pos, pending * sizeof(char16_t));
  }
}

}  // namespace tv
