#include "tools/sort/line_list.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tv::sort {

namespace {

constexpr size_t kReadChunk = 64 * 1024;

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
  std::vector<char16_t>& text = list->text;
  size_t from = text.size();
  size_t used = from;
  for (;;) {
    if (text.size() - used < kReadChunk) text.resize(std::max(text.size() * 2, used + kReadChunk));
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
    const char16_t* found = std::find(text + pos, text + size, u'\n');
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

void SortLines(bool descending, SortedLineList* list) {
  // A stable sort is exactly the order of inserting each line after the
  // lines that compare equal to it, which is what keeps input order.
  LineLess less{list->text.data()};
  if (descending) {
    std::stable_sort(list->lines.begin(), list->lines.end(), LineGreater{less});
  } else {
    std::stable_sort(list->lines.begin(), list->lines.end(), less);
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
