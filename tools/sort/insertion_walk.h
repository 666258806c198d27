// The order sort must produce, the slow and obvious way: each line inserted
// before the first entry greater than it (descending: smaller than it),
// found by a walk from the front, comparing unit by unit. The tests and the
// fuzz target hold the fast sort to it.
#ifndef TV_TOOLS_SORT_INSERTION_WALK_H_
#define TV_TOOLS_SORT_INSERTION_WALK_H_

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "tools/sort/line_list.h"

namespace tv::sort {

// wcscmp over whole lines, unit by unit.
inline int NaiveCompare(const std::u16string& a, const std::u16string& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Returns input indexes, so equal lines are told apart.
inline std::vector<size_t> InsertionWalk(const std::vector<std::u16string>& lines,
                                         bool descending) {
  std::vector<size_t> order;
  for (size_t i = 0; i < lines.size(); ++i) {
    auto place = order.begin();
    for (; place != order.end(); ++place) {
      int c = NaiveCompare(lines[*place], lines[i]);
      if (descending ? c < 0 : c > 0) break;
    }
    order.insert(place, i);
  }
  return order;
}

// The first of each run of equal neighbours in `order`, as /Q keeps them.
inline std::vector<size_t> FirstOfEachRun(const std::vector<std::u16string>& lines,
                                          const std::vector<size_t>& order) {
  std::vector<size_t> unique;
  for (size_t index : order) {
    if (unique.empty() || lines[unique.back()] != lines[index]) unique.push_back(index);
  }
  return unique;
}

// A list holding the lines, each ended by a line feed, unordered.
inline SortedLineList ListOf(const std::vector<std::u16string>& lines) {
  SortedLineList list;
  for (const std::u16string& line : lines) {
    list.text.insert(list.text.end(), line.begin(), line.end());
    list.text.push_back(u'\n');
  }
  AddLines(0, false, &list);
  return list;
}

// Input indexes of the records of a list made by ListOf: a record's start
// grows with input.
inline std::vector<size_t> OrderOf(const SortedLineList& list,
                                   const std::vector<std::u16string>& lines) {
  std::vector<size_t> starts;
  size_t start = 0;
  for (const std::u16string& line : lines) {
    starts.push_back(start);
    start += line.size() + 1;
  }
  std::vector<size_t> order;
  for (const LineRecord& r : list.lines) {
    order.push_back(std::lower_bound(starts.begin(), starts.end(), r.start()) - starts.begin());
  }
  return order;
}

}  // namespace tv::sort

#endif  // TV_TOOLS_SORT_INSERTION_WALK_H_
