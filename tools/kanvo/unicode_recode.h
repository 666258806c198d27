// Text from one Unicode form to another (UTF-8, UTF-16 little-endian)
// without the Shift_JIS pivot: every character arrives whole, and only the
// line breaks change as the options say.
#ifndef TV_TOOLS_KANVO_UNICODE_RECODE_H_
#define TV_TOOLS_KANVO_UNICODE_RECODE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/kanvo/kanvo_types.h"
#include "tools/kanvo/sjis_decode.h"

namespace kanvo {

// Whether a conversion from `input` to `output` goes this way: both are
// Unicode forms (CODE_UTF8, CODE_UTF8N, CODE_UNICODE).
bool IsUnicodeToUnicode(TextCode input, TextCode output);

// Where a text that comes in pieces may be cut: the end of the last
// character of `text` that is surely whole, in the input code `input`
// (a UTF-16 high surrogate waits for its partner).
size_t UnicodeCut(TextCode input, std::string_view text);

// Appends the characters of `text` (in `input`, without its mark) to
// *output in `output` (without a mark), each `rewrite.sought` line break
// written as `rewrite.replacement`. Bytes that are not UTF-8 are dropped,
// as the conversion to Shift_JIS drops them; a UTF-16 unit that is half of
// no pair goes to UTF-16 as it is and to UTF-8 as U+FFFD, counted then in
// *replaced. A CR that may begin a sought CR LF at the end of a piece
// waits in *cr_held for the next; `final` says that no piece follows.
void RecodeUnicode(TextCode input, TextCode output, std::string_view text,
                   const NewlineRewrite& rewrite, bool final, bool* cr_held, std::string* out,
                   uint64_t* replaced);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_UNICODE_RECODE_H_
