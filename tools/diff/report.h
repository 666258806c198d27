// The lines of diff's report: the encoding header and the hunks.
#ifndef TV_TOOLS_DIFF_REPORT_H_
#define TV_TOOLS_DIFF_REPORT_H_

#include "platform/wide_reader.h"
#include "platform/wide_writer.h"
#include "tools/diff/diff_line.h"

namespace tv {

// Printed before the comparison when the two files were read differently:
// each file's line names how ([Unicode] for UTF-16, [UTF-8], or [シフトJIS]
// for code page 932).
void PrintEncodingHeader(WideWriter& out, InputMode first, InputMode second);

// Prints one hunk: lines b1..e1 of a against lines b2..e2 of b (0-based,
// inclusive). A range of one or two lines whose ends are both unchanged is
// written as "*" with its lines left out; so is an empty range (last <
// first), which arises only when one whole file is empty. No line outside
// a range is read.
void PrintHunk(WideWriter& out, const DiffLineArray& a, int b1, int e1, const DiffLineArray& b,
               int b2, int e2);

}  // namespace tv

#endif  // TV_TOOLS_DIFF_REPORT_H_
