// The conversion with the whole text held at once: the whole input, then
// the whole pivot, then the whole output. KANVO converts in pieces
// (stream_convert.h); the tests hold those pieces' bytes to these.
#ifndef TV_TOOLS_KANVO_WHOLE_CONVERT_H_
#define TV_TOOLS_KANVO_WHOLE_CONVERT_H_

#include <string>

#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// The raw input to the Shift_JIS pivot. A Shift_JIS input is handed over,
// not copied; any other input is released once converted.
ConvStatus ToPivot(TextCode code, std::string* raw, std::string* pivot);

// The pivot to the output code; *kind follows the UTF-16 assembly, which
// rewrites the line breaks itself. The pivot is released.
ConvStatus FromPivot(TextCode code, std::string* pivot, NewlineKind target, NewlineKind* kind,
                     std::string* output);

// Between two Unicode forms (IsUnicodeToUnicode), with no pivot: the raw
// input, its mark dropped, to the output text with its line breaks of kind
// `current` rewritten to `target`; no mark is put in. The input is released.
ConvStatus RecodeWhole(TextCode input, std::string* raw, TextCode output, NewlineKind current,
                       NewlineKind target, std::string* text);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_WHOLE_CONVERT_H_
