// Line equality and the pairing of equal lines of the two files.
#ifndef TV_TOOLS_DIFF_PAIR_LINES_H_
#define TV_TOOLS_DIFF_PAIR_LINES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/diff/diff_line.h"

namespace tv {

// The blanks that ignore-blanks mode disregards: U+0020, U+0009, U+3000.
inline bool IsDiffBlank(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\u3000';
}

// Removes every blank from *text in place, keeping the order of the rest.
void RemoveBlanks(std::u16string* text);

// Exact unit-by-unit equality; with ignore_blanks, equality of the texts
// after RemoveBlanks, found without copying them (so it cannot run out of
// memory; the texts themselves are not changed).
bool LinesEqual(std::u16string_view a, std::u16string_view b, bool ignore_blanks);

// The greedy forward scan: each line of a, in order, pairs with the first
// equal line of b after the last pair made, if there is one. Sets
// `partner` on both sides. Every line of b after the last pair is still
// unpaired, so the search goes through an index from line text to its
// positions in b instead of comparing line by line: linear time on
// ordinary files. Throws std::bad_alloc when the index cannot be built.
void PairLines(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks);

// PairLines with the index's hash seeded by `seed`. PairLines takes a seed
// new to each run, so that no input can be made whose lines crowd into a
// few slots of the index.
void PairLinesSeeded(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks, uint64_t seed);

// The index's hash of a line: lines equal under LinesEqual hash alike.
uint64_t LineHash(std::u16string_view text, bool ignore_blanks, uint64_t seed);

}  // namespace tv

#endif  // TV_TOOLS_DIFF_PAIR_LINES_H_
