#include "tools/diff/load_lines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tv {

namespace {

// Units decoded at a time.
constexpr size_t kReadUnits = 64 * 1024;
// A read of kDiffLineUnits delivers at most this many units.
constexpr size_t kLongest = kDiffLineUnits - 1;

// The first line feed in [from, to), or `to`; eight units at a time.
const char16_t* FindLineFeed(const char16_t* from, const char16_t* to) {
#if defined(__SSE2__)
  const __m128i line_feed = _mm_set1_epi16(u'\n');
  for (; to - from >= 8; from += 8) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, line_feed)));
    if (hits != 0) return from + std::countr_zero(hits) / 2;
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

// The units of the piece that starts at `from`, where a line read would end
// it: after a line feed, or after kLongest units of a longer line; 0 when
// the units up to `to` do not settle it (at_end: they end it).
size_t PieceAt(const char16_t* from, const char16_t* to, bool at_end) {
  size_t reach = std::min(static_cast<size_t>(to - from), kLongest);
  const char16_t* line_feed = FindLineFeed(from, from + reach);
  if (line_feed != from + reach) return static_cast<size_t>(line_feed - from) + 1;
  return reach == kLongest || at_end ? reach : 0;
}

// The units before the first place where a and b differ, of the first n.
size_t SameUnits(const char16_t* a, const char16_t* b, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(x, y)));
    if (same != 0xFFFF) return i + std::countr_one(same) / 2;
  }
#endif
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// One file being read and cut into lines.
class Loader {
 public:
  Loader(WideReader* in, DiffLineArray* lines) : in_(in), lines_(lines) {
    // Text decodes to no more units than it has bytes (UTF-16 to half).
    if (int64_t size = in->SourceSize(); size > 0 && static_cast<uint64_t>(size) < SIZE_MAX / 4) {
      lines->ExpectUnits(static_cast<size_t>(size) + kReadUnits);
    }
  }

  // Decodes more of the file; false at its end or when it failed.
  bool Read() {
    size_t got = in_->GetUnits(lines_->Room(kReadUnits), kReadUnits);
    lines_->Added(got);
    if (got == 0) ended_ = true;
    return got != 0;
  }

  // Stores the pieces decoded whole; at the end, the rest too.
  void Cut() {
    const char16_t* text = lines_->text();
    const char16_t* end = text + lines_->used();
    while (cut_ < lines_->used()) {
      size_t piece = PieceAt(text + cut_, end, ended_);
      if (piece == 0) break;
      lines_->AddLine(cut_, LineLength(text + cut_, piece));
      cut_ += piece;
    }
  }

  LoadResult LoadRest() {
    try {
      Cut();
      while (!ended_) {
        Read();
        Cut();
      }
    } catch (const std::bad_alloc&) {
      return LoadResult::kOutOfMemory;
    }
    // A failed read would leave a cut file to be compared as if whole.
    return in_->failed() ? LoadResult::kReadError : LoadResult::kOk;
  }

  bool ended() const { return ended_; }
  bool failed() const { return in_->failed(); }
  DiffLineArray& lines() { return *lines_; }

 private:
  WideReader* in_;
  DiffLineArray* lines_;
  size_t cut_ = 0;  // where the next piece starts
  bool ended_ = false;
};

// Counting the pieces of a stretch of text that is the same in both files.
struct EqualFront {
  size_t line_start = 0;  // start of the piece not yet complete
  size_t pieces = 0;      // complete pieces from unit 0 on
  size_t last_start = 0;  // start of the last of them

  void Take(size_t start, size_t units) {
    ++pieces;
    last_start = start;
    line_start = start + units;
  }

  // Counts the pieces that end before unit `end`.
  void Count(const char16_t* text, size_t end) {
    size_t i = line_start;
#if defined(__SSE2__)
    // Eight units at a time while no line can reach the read limit within
    // them, so that every line feed ends a piece.
    const __m128i line_feed = _mm_set1_epi16(u'\n');
    while (end - i >= 8) {
      if (i + 8 > line_start + kLongest) {
        size_t piece = PieceAt(text + line_start, text + end, false);
        if (piece == 0) return;
        Take(line_start, piece);
        i = line_start;
        continue;
      }
      __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, line_feed)));
      if (hits != 0) {
        int count = std::popcount(hits) / 2;
        size_t last = i + (31 - std::countl_zero(hits)) / 2;
        if (count > 1) {
          unsigned before = hits & ~(3u << (2 * (last - i)));
          last_start = i + (31 - std::countl_zero(before)) / 2 + 1;
        } else {
          last_start = line_start;
        }
        pieces += count;
        line_start = last + 1;
      }
      i += 8;
    }
#endif
    (void)i;
    for (;;) {
      size_t piece = PieceAt(text + line_start, text + end, false);
      if (piece == 0) return;
      Take(line_start, piece);
    }
  }
};

// Leaves out every piece counted but the last, in both files.
void DropEqualFront(EqualFront* front, DiffLineArray& a, DiffLineArray& b) {
  if (front->pieces < 2) return;
  size_t start = front->last_start;
  a.DropFront(start, front->pieces - 1);
  b.DropFront(start, front->pieces - 1);
  front->line_start -= start;
  front->last_start = 0;
  front->pieces = 1;
}

}  // namespace

LoadResult LoadLines(WideReader* in, DiffLineArray* lines) {
  if (in == nullptr) return LoadResult::kNoStream;
  return Loader(in, lines).LoadRest();
}

PairLoadResult LoadPair(WideReader* first, DiffLineArray* first_lines, WideReader* second,
                        DiffLineArray* second_lines) {
  if (first == nullptr || second == nullptr) {
    return {LoadLines(first, first_lines), LoadResult::kNoStream};
  }
  Loader a(first, first_lines);
  Loader b(second, second_lines);
  try {
    // Both files are decoded a piece at a time side by side while their
    // units agree; only the last equal line is kept.
    EqualFront front;
    size_t same = 0;  // units known equal from the start of both texts
    for (;;) {
      if (a.lines().used() == same && !a.ended()) a.Read();
      if (b.lines().used() == same && !b.ended()) b.Read();
      if (a.failed() || b.failed()) break;
      size_t limit = std::min(a.lines().used(), b.lines().used());
      if (limit == same) break;  // a file ended
      same += SameUnits(a.lines().text() + same, b.lines().text() + same, limit - same);
      front.Count(a.lines().text(), same);
      if (same < limit) break;
      if (front.last_start >= kReadUnits) {
        size_t start = front.last_start;
        DropEqualFront(&front, a.lines(), b.lines());
        same -= start;
      }
    }
    DropEqualFront(&front, a.lines(), b.lines());
  } catch (const std::bad_alloc&) {
    // The small first reads failed: the plain loading reports it.
  }
  PairLoadResult result{a.LoadRest(), LoadResult::kNoStream};
  if (result.first == LoadResult::kOk) result.second = b.LoadRest();
  return result;
}

}  // namespace tv
