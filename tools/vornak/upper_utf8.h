// UTF-8 text upper-cased without leaving UTF-8: byte for byte what decoding
// it (console or UTF-8 text mode), UpperCaseUnits and the console writer
// give, without the round trip through UTF-16. Kana, kanji and full-width
// forms, nearly all of Japanese text, are only looked at, 16 bytes at once.
#ifndef TV_TOOLS_VORNAK_UPPER_UTF8_H_
#define TV_TOOLS_VORNAK_UPPER_UTF8_H_

#include <cstddef>

#include "platform/byte_stream.h"
#include "platform/wide_writer.h"

namespace tv::vornak {

// The output room n bytes of input may need: a two-byte character may
// become a three-byte one.
constexpr size_t UpperCaseUtf8Room(size_t n) { return n + n / 2 + 4; }

// Upper-cases the n bytes at `in` into `out` (UpperCaseUtf8Room(n) bytes
// of room); *written gets the count stored. Returns the bytes taken: all
// of them when `last`, else it stops short of the last three or fewer
// where a character, or a CR before a LF, may go on in bytes not yet read.
// A byte that starts no valid character goes out as it came; CR LF becomes
// LF.
size_t UpperCaseUtf8(const unsigned char* in, size_t n, bool last, unsigned char* out,
                     size_t* written);

// Copies `source` to `out` upper-cased, skipping a first EF BB BF when
// `skip_mark`. False when reading failed; what was read before the failure
// has been written. Stops early when `out` fails.
bool UpperCaseUtf8Stream(ByteSource& source, bool skip_mark, WideWriter& out);

}  // namespace tv::vornak

#endif  // TV_TOOLS_VORNAK_UPPER_UTF8_H_
