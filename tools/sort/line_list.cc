#include "tools/sort/line_list.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/huge_pages.h"
#include "platform/utf16.h"

namespace tv::sort {

namespace {

constexpr size_t kReadChunk = 64 * 1024;

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

uint64_t KeyOf(const char16_t* units, size_t length) {
  uint64_t key = 0;
  for (size_t i = 0; i < 4; ++i) key = (key << 16) | (i < length ? units[i] : 0);
  return key;
}

void AddLine(size_t start, size_t length, SortedLineList* list) {
  list->lines.push_back(
      {KeyOf(list->text.data() + start, length), (uint64_t{start} << 10) | length});
}

int CompareRaw(const char16_t* a, size_t na, const char16_t* b, size_t nb) {
  size_t n = std::min(na, nb);
  size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four units at a time; the first differing unit is the lowest
    // differing 16 bits of the words.
    for (; i + 4 <= n; i += 4) {
      uint64_t x, y;
      std::memcpy(&x, a + i, 8);
      std::memcpy(&y, b + i, 8);
      if (x != y) {
        int shift = std::countr_zero(x ^ y) & ~15;
        return static_cast<uint16_t>(x >> shift) < static_cast<uint16_t>(y >> shift) ? -1 : 1;
      }
    }
  }
  for (; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

struct LineLess {
  const char16_t* text;
  bool operator()(const LineRecord& a, const LineRecord& b) const {
    if (a.key != b.key) return a.key < b.key;
    return CompareRaw(text + a.start(), a.length(), text + b.start(), b.length()) < 0;
  }
};

struct LineGreater {
  LineLess less;
  bool operator()(const LineRecord& a, const LineRecord& b) const { return less(b, a); }
};

}  // namespace

ReadStatus CollectLines(WideReader& in, bool unicode, SortedLineList* list) {
  auto& text = list->text;
  size_t from = text.size();
  size_t used = from;
  // A file's size bounds its units (one byte at least to a unit, two in
  // Unicode mode), so it is read into one allocation, without copies.
  if (int64_t size = in.SourceSize(); size > 0) {
    uint64_t bound = static_cast<uint64_t>(unicode ? size / 2 : size) + kReadChunk;
    if (bound < text.max_size() - used) {
      text.reserve(used + static_cast<size_t>(bound));
      AdviseHugePages(text.data() + used, (text.capacity() - used) * sizeof(char16_t));
    }
  }
  for (;;) {
    if (text.size() - used < kReadChunk) {
      size_t room = text.capacity() - used >= kReadChunk ? text.capacity() : text.size() * 2;
      text.resize(std::max(room, used + kReadChunk));
    }
    size_t n = in.GetUnits(text.data() + used, text.size() - used);
    if (n == 0) break;
    used += n;
  }
  text.resize(used);
  if (in.failed()) return ReadStatus::kError;
  AddLines(from, unicode, list);
  return ReadStatus::kOk;
}

void AddLines(size_t from, bool unicode, SortedLineList* list) {
  const char16_t* text = list->text.data();
  const size_t size = list->text.size();
  size_t pos = from;
  while (pos < size) {
    const char16_t* found = FindLineFeed(text + pos, text + size);
    size_t next = found == text + size ? size : static_cast<size_t>(found - text) + 1;
    size_t length = next - pos;
    if (!unicode) {
      if (text[next - 1] == u'\n') --length;
    } else if (length > 1 && text[next - 2] == u'\r' && text[next - 1] == u'\n') {
      length -= 2;
    }
    // The line end is cut before the line is split, so a line of exactly
    // kLineUnits units gives no empty piece after it.
    size_t start = pos;
    do {
      size_t piece = std::min(length, kLineUnits);
      // A character above U+FFFF stays whole: torn in two, each half would
      // be written as something else.
      if (piece < length && IsHighSurrogate(text[start + piece - 1]) &&
          IsLowSurrogate(text[start + piece])) {
        --piece;
      }
      AddLine(start, piece, list);
      start += piece;
      length -= piece;
    } while (length > 0);
    pos = next;
  }
}

int CompareUnits(std::u16string_view a, std::u16string_view b) {
  return CompareRaw(a.data(), a.size(), b.data(), b.size());
}

void SortLinesByComparison(bool descending, SortedLineList* list) {
  // A stable sort is exactly the order of inserting each line after the
  // lines that compare equal to it, which is what keeps input order.
  LineLess less{list->text.data()};
  if (descending) {
    std::stable_sort(list->lines.begin(), list->lines.end(), LineGreater{less});
  } else {
    std::stable_sort(list->lines.begin(), list->lines.end(), less);
  }
}

namespace {

// Runs this short are sorted by comparison; longer ones by radix.
constexpr size_t kShortRun = 32;

// Sorts records[0..n) stably by key, a byte of the key a pass; spare must
// hold n records. A byte that all keys share costs no pass.
void RadixSortByKey(LineRecord* records, size_t n, LineRecord* spare) {
  constexpr int kBytes = 8;
  size_t counts[kBytes][256] = {};
  for (size_t i = 0; i < n; ++i) {
    uint64_t key = records[i].key;
    for (int d = 0; d < kBytes; ++d) ++counts[d][(key >> (8 * d)) & 0xFF];
  }
  LineRecord* from = records;
  LineRecord* to = spare;
  for (int d = 0; d < kBytes; ++d) {
    const int shift = 8 * d;
    size_t* where = counts[d];
    if (where[(from[0].key >> shift) & 0xFF] == n) continue;
    size_t sum = 0;
    for (int b = 0; b < 256; ++b) sum += std::exchange(where[b], sum);
    for (size_t i = 0; i < n; ++i) to[where[(from[i].key >> shift) & 0xFF]++] = from[i];
    std::swap(from, to);
  }
  if (from != records) std::copy(from, from + n, records);
}

// The key of a line from unit `offset` on: three units (zero past its end)
// and, lowest, how many units it has from there, up to 4. Among lines that
// agree before `offset`, these keys order them as whole lines compare, a
// line before its own continuations; equal keys below 4 mean equal lines.
uint64_t WindowKey(const char16_t* text, const LineRecord& r, size_t offset) {
  size_t length = r.length();
  const char16_t* units = text + r.start();
  uint64_t key = 0;
  for (size_t i = offset; i < offset + 3; ++i) key = (key << 16) | (i < length ? units[i] : 0);
  size_t left = length > offset ? length - offset : 0;
  return key << 16 | std::min<size_t>(left, 4);
}

struct Sorter {
  const char16_t* text;
  bool descending;
  LineRecord* spare;

  // Sorts records[0..n), whose lines agree in their first `offset` units,
  // by what follows. Overwrites the records' keys.
  void SortRun(LineRecord* records, size_t n, size_t offset) const {
    if (n < kShortRun) {
      auto whole_line_less = [this](const LineRecord& a, const LineRecord& b) {
        int c = CompareRaw(text + a.start(), a.length(), text + b.start(), b.length());
        return descending ? c > 0 : c < 0;
      };
      std::stable_sort(records, records + n, whole_line_less);
      return;
    }
    const uint64_t flip = descending ? ~uint64_t{0} : 0;
    for (size_t i = 0; i < n; ++i) records[i].key = WindowKey(text, records[i], offset) ^ flip;
    RadixSortByKey(records, n, spare);
    for (size_t start = 0; start < n;) {
      size_t stop = start + 1;
      while (stop < n && records[stop].key == records[start].key) ++stop;
      // Lines that go on past the window are told apart further on.
      bool go_on = ((records[start].key ^ flip) & 0xFFFF) == 4;
      if (stop - start > 1 && go_on) SortRun(records + start, stop - start, offset + 3);
      start = stop;
    }
  }
};

}  // namespace

namespace {

// Input already in order, or in reverse order, is common and needs no sort:
// one pass tells, ending at the first lines that rule both out. Reverse
// order is turned round, and then each run of equal lines once more, so
// that equal lines keep their input order. False when the lines are in
// neither order.
bool TakeOrderAsIs(bool descending, SortedLineList* list) {
  std::vector<LineRecord>& lines = list->lines;
  const char16_t* text = list->text.data();
  auto compare = [text](const LineRecord& a, const LineRecord& b) {
    if (a.key != b.key) return a.key < b.key ? -1 : 1;
    return CompareRaw(text + a.start(), a.length(), text + b.start(), b.length());
  };
  bool rising = true, falling = true;  // never down, never up
  for (size_t i = 1; i < lines.size() && (rising || falling); ++i) {
    int c = compare(lines[i - 1], lines[i]);
    rising &= c <= 0;
    falling &= c >= 0;
  }
  if (descending ? falling : rising) return true;
  if (!(descending ? rising : falling)) return false;
  std::reverse(lines.begin(), lines.end());
  for (size_t start = 0; start < lines.size();) {
    size_t stop = start + 1;
    while (stop < lines.size() && compare(lines[start], lines[stop]) == 0) ++stop;
    std::reverse(lines.begin() + start, lines.begin() + stop);
    start = stop;
  }
  return true;
}

}  // namespace

void SortLines(bool descending, SortedLineList* list) {
  if (TakeOrderAsIs(descending, list)) return;
  std::vector<LineRecord>& lines = list->lines;
  const size_t n = lines.size();
  std::vector<LineRecord> spare;
  try {
    spare.resize(n);
  } catch (const std::bad_alloc&) {
    SortLinesByComparison(descending, list);  // sorts in place when it must
    return;
  }
  // A stable radix sort on the keys (the first four units) costs a few
  // passes over the records however many there are. Lines that share a key
  // are then told apart the same way by the units after it, a few at a
  // time, so no line is compared with another whole. The order is the
  // comparison sort's, input order among equal lines included.
  const uint64_t flip = descending ? ~uint64_t{0} : 0;
  for (LineRecord& r : lines) r.key ^= flip;
  if (n > 0) RadixSortByKey(lines.data(), n, spare.data());
  for (LineRecord& r : lines) r.key ^= flip;
  Sorter sorter{list->text.data(), descending, spare.data()};
  for (size_t start = 0; start < n;) {
    size_t stop = start + 1;
    while (stop < n && lines[stop].key == lines[start].key) ++stop;
    if (stop - start > 1) {
      sorter.SortRun(lines.data() + start, stop - start, 0);
      // The runs' keys were taken for the windows: back to the first units.
      for (size_t i = start; i < stop; ++i) {
        lines[i].key = KeyOf(list->text.data() + lines[i].start(), lines[i].length());
      }
    }
    start = stop;
  }
}

void DropRepeatedLines(SortedLineList* list) {
  const char16_t* text = list->text.data();
  auto same = [text](const LineRecord& a, const LineRecord& b) {
    return a.key == b.key && a.length() == b.length() &&
           std::memcmp(text + a.start(), text + b.start(), a.length() * sizeof(char16_t)) == 0;
  };
  list->lines.erase(std::unique(list->lines.begin(), list->lines.end(), same), list->lines.end());
}

}  // namespace tv::sort
