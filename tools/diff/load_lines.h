// Reading a compared file into its line records.
#ifndef TV_TOOLS_DIFF_LOAD_LINES_H_
#define TV_TOOLS_DIFF_LOAD_LINES_H_

#include <cstddef>

#include "platform/wide_reader.h"
#include "tools/diff/diff_line.h"

namespace tv {

// The limit given to each line read: a read delivers at most 10239 units,
// so a longer line arrives in pieces, each stored as a line of its own.
inline constexpr size_t kDiffLineUnits = 10240;

enum class LoadResult {
  kOk,
  kNoStream,     // the file was not opened
  kOutOfMemory,  // storing a line failed; the lines before it stay stored
  kReadError,    // the file could not be read to its end
};

// Appends every line of `in` to *lines, each without its line end (LF, or
// CR LF; a lone CR stays part of the text).
LoadResult LoadLines(WideReader* in, DiffLineArray* lines);

struct PairLoadResult {
  LoadResult first;
  LoadResult second;
};

// Loads both files, but for the lines at their front that are equal unit
// for unit in both: the greedy scan pairs those line for line, so all but
// the last of them are left out of both arrays (counted in base()); the
// last stays as the context line of a change after it. What is left
// compares as the whole files would, with line numbers offset by base().
// Each result is LoadLines's for that file (the second is not loaded when
// the first fails).
PairLoadResult LoadPair(WideReader* first, DiffLineArray* first_lines, WideReader* second,
                        DiffLineArray* second_lines);

}  // namespace tv

#endif  // TV_TOOLS_DIFF_LOAD_LINES_H_
