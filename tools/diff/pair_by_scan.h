// The pairing as first described, the slow and obvious way: lines compared
// as stripped copies, every line of the first file searching the second
// from just after the last pair, line by line. The tests and the fuzz
// target hold the indexed pairing to it.
#ifndef TV_TOOLS_DIFF_PAIR_BY_SCAN_H_
#define TV_TOOLS_DIFF_PAIR_BY_SCAN_H_

#include <string>
#include <vector>

#include "tools/diff/pair_lines.h"

namespace tv {

// Equality as first described: strip copies of both lines, then compare.
inline bool EqualByStripping(std::u16string a, std::u16string b, bool ignore_blanks) {
  if (ignore_blanks) {
    RemoveBlanks(&a);
    RemoveBlanks(&b);
  }
  return a == b;
}

// The partner of every line of a (-1: unpaired).
inline std::vector<int> PairByScan(const std::vector<std::u16string>& a,
                                   const std::vector<std::u16string>& b, bool ignore_blanks) {
  std::vector<int> partner(a.size(), -1);
  std::vector<bool> taken(b.size(), false);
  int last = -1;
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t k = last + 1; k < b.size(); ++k) {
      if (!taken[k] && EqualByStripping(a[i], b[k], ignore_blanks)) {
        partner[i] = static_cast<int>(k);
        taken[k] = true;
        last = static_cast<int>(k);
        break;
      }
    }
  }
  return partner;
}

}  // namespace tv

#endif  // TV_TOOLS_DIFF_PAIR_BY_SCAN_H_
