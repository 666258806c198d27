// The lines that sort collects, and their order.
#ifndef TV_TOOLS_SORT_LINE_LIST_H_
#define TV_TOOLS_SORT_LINE_LIST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/wide_reader.h"

namespace tv::sort {

// The most units one read of the line input delivers; a longer line is
// taken as several lines of at most this many units.
inline constexpr size_t kLineUnits = 1023;

// One line: where its units lie in the list's text, and its first four
// units packed so that comparing two keys as numbers orders the lines by
// those units (most comparisons end there).
struct LineRecord {
  uint64_t key;
  uint64_t place;  // start << 10 | length (length <= kLineUnits)

  size_t start() const { return static_cast<size_t>(place >> 10); }
  size_t length() const { return static_cast<size_t>(place & 0x3FF); }
};

// Leaves new elements uninitialised: the text is read straight into them,
// and pages of it that are never written are never touched.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// Every line read, in one block of text, and the records that order them.
// Records refer into the text, so ordering moves no strings.
struct SortedLineList {
  std::vector<char16_t, UninitializedAllocator<char16_t>> text;
  std::vector<LineRecord> lines;

  std::u16string_view Line(size_t i) const {
    return {text.data() + lines[i].start(), lines[i].length()};
  }
};

// Reads all of `in` into the list, unordered. Lines end after a line feed.
// `unicode` chooses how a line end is cut: without it the final line feed;
// with it only a final CR LF (a lone line feed stays part of the line).
// kError when the input failed; may throw std::bad_alloc.
ReadStatus CollectLines(WideReader& in, bool unicode, SortedLineList* list);

// Adds the lines of list->text from `from` on (the collecting step alone).
void AddLines(size_t from, bool unicode, SortedLineList* list);

// Code-unit order: unsigned UTF-16 units one by one, a prefix first.
int CompareUnits(std::u16string_view a, std::u16string_view b);

// Ascending or descending code-unit order. Equal lines keep their input
// order in both directions.
void SortLines(bool descending, SortedLineList* list);

// The same order by a plain comparison sort: what SortLines is tested
// against, and its way when memory for its second pass is short.
void SortLinesByComparison(bool descending, SortedLineList* list);

// Keeps the first of every run of equal neighbours.
void DropRepeatedLines(SortedLineList* list);

}  // namespace tv::sort

#endif  // TV_TOOLS_SORT_LINE_LIST_H_
