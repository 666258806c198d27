// The comparison proper: pairing, classification of the unpaired lines,
// the choice of the lines to show and the cutting into hunks.
#ifndef TV_TOOLS_DIFF_COMPARE_FILES_H_
#define TV_TOOLS_DIFF_COMPARE_FILES_H_

#include "platform/wide_writer.h"
#include "tools/diff/diff_line.h"

namespace tv {

// Fills `partner`, `kind` and `shown` of both files' lines and prints the
// hunks in the order of the first file. May throw std::bad_alloc (the
// pairing's index).
void CompareFiles(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks, WideWriter& out);

// The steps after the pairing, apart for tests. `one_sided` is the kind of
// an unpaired run that faces no unpaired line of the other file:
// DIFF_DELETED for the first file, DIFF_ADDED for the second.
void ClassifyUnpaired(DiffLineArray& lines, const DiffLineArray& other, DiffKind one_sided);
// Shows each unpaired line and one line of context on each side.
void MarkContext(DiffLineArray& lines);
// Shows the first file's lines that face each shown block of the second.
void CarryShownOver(DiffLineArray& a, const DiffLineArray& b);
void PrintHunks(const DiffLineArray& a, const DiffLineArray& b, WideWriter& out);

}  // namespace tv

#endif  // TV_TOOLS_DIFF_COMPARE_FILES_H_
