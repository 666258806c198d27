// The output end of KANVO: the UTF-16 output text, the output file with its
// byte-order mark and rewritten line breaks, and standard output.
#ifndef TV_TOOLS_KANVO_OUTPUT_WRITER_H_
#define TV_TOOLS_KANVO_OUTPUT_WRITER_H_

#include <string>
#include <string_view>

#include "platform/env.h"
#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// Converts the whole Shift_JIS pivot (zero bytes included) to UTF-16
// little-endian bytes in *output, with the line breaks of kind `current`
// rewritten to `target` when the two differ; *result_kind is then `target`.
// CONV_OK, or CONV_ERR_NOMEM when the text cannot be held (*output is then
// unchanged). No mark is put in: WriteOutputFile writes it.
ConvStatus AssembleUtf16Output(std::string_view pivot, NewlineKind current, NewlineKind target,
                               std::string* output, NewlineKind* result_kind);

// Writes the byte-order mark of `code` (EF BB BF for CODE_UTF8, FF FE for
// CODE_UNICODE) and the text, with line breaks of kind `current` rewritten
// to `target`. The file replaces the previous one only when it is complete:
// on any failure the old file stays whole. CONV_ERR_CREATE when the file
// cannot be created or put in place (the name no longer leads to the file
// found), CONV_ERR_IO when a write comes up short or the file cannot be
// completed.
ConvStatus WriteOutputFile(tv::OutputTarget& output, std::string_view text, TextCode code,
                           NewlineKind current, NewlineKind target);

// Prints the whole Shift_JIS text on standard output, its CR or LF line
// breaks as CR LF, and one line break after it. CONV_ERR_IO when standard
// output failed.
ConvStatus WriteToConsole(tv::Env& env, std::string_view sjis, NewlineKind current);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_OUTPUT_WRITER_H_
