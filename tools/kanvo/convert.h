// The converters between the Shift_JIS pivot and the other text codes, and
// the growing byte buffer they build their results in.
//
// Contract shared by every converter:
//  - `input` is exactly the text; nothing before or after it is ever read.
//    Where a sequence is cut off by the end of the input, the missing bytes
//    count as zero bytes, as if the text were followed by zeros.
//  - On CONV_OK `*output` is replaced by the converted text. The caller owns
//    it; like every 8-bit text it is followed by a zero byte that size()
//    does not count (std::string guarantees that).
//  - On any other status `*output` is left as it was.
//  - A null `output` gives CONV_ERR_PARAM; failing memory CONV_ERR_NOMEM.
//  - No byte sequence is an error: malformed input is converted as the
//    converter's notes say, never rejected.
//  - The input is never changed; it may not overlap `*output`.
#ifndef TV_TOOLS_KANVO_CONVERT_H_
#define TV_TOOLS_KANVO_CONVERT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// Shift_JIS of the black square U+25A0, written for characters that have no
// Shift_JIS form.
inline constexpr char kReplacementMark[] = "\x81\xA1";

// Appends `bytes` to `*buffer`, growing it in amortised steps. Returns false
// when memory cannot be obtained; `*buffer` is then unchanged.
bool AppendBytes(std::string* buffer, std::string_view bytes);

// Input side: text in another code to the Shift_JIS pivot.

// EUC-JP: 0x8E b gives the half-width byte b; 0x8F and its two bytes (JIS X
// 0212) give the replacement mark; bytes up to 0xA0 are copied; a byte of
// 0xA1-0xFF and the one after it form a two-byte character.
// With `replaced`, adds to it the JIS X 0212 characters so replaced.
ConvStatus EucToSjis(std::string_view input, std::string* output);
ConvStatus EucToSjis(std::string_view input, std::string* output, uint64_t* replaced);

// ISO-2022-JP: escapes switch between the single-byte, two-byte and katakana
// sets and are dropped; an unrecognised escape loses its ESC byte only.
ConvStatus JisToSjis(std::string_view input, std::string* output);

// The same for a text that comes in pieces: it starts in the set *mode and
// leaves there the set in force after the bytes it took (*taken). Unless
// this is the `last` piece, it stops before an ESC with fewer than six bytes
// from it on and before the first half of a pair whose second half has not
// come, which go with the next piece.
ConvStatus JisPieceToSjis(std::string_view input, bool last, EscapeClass* mode, size_t* taken,
                          std::string* output);

// UTF-8 without its mark, read as RFC 3629 has it: 2- and 3-byte
// characters are mapped through code page 932, 4-byte ones give the
// replacement mark. Every byte that does not begin a whole valid character
// (an overlong form, a surrogate, a value above U+10FFFF, C0, C1, F5-FF, a
// continuation byte, a sequence cut off) is dropped, and the byte after it
// read afresh. With `replaced`, adds to it the characters that code page
// 932 cannot hold (best fit, '?', the replacement mark).
ConvStatus Utf8ToSjis(std::string_view input, std::string* output);
ConvStatus Utf8ToSjis(std::string_view input, std::string* output, uint64_t* replaced);

// UTF-16 little-endian units without their mark; an odd last byte is
// ignored. No units give an empty text. Characters with no Shift_JIS form
// come out as the code page gives them ('?'); with `replaced`, adds to it
// the characters that had no exact form (a surrogate pair counts once).
ConvStatus Utf16ToSjis(std::string_view input, std::string* output);
ConvStatus Utf16ToSjis(std::string_view input, std::string* output, uint64_t* replaced);

// Output side: the Shift_JIS pivot to another code.

// EUC-JP: half-width katakana b become 0x8E b; bytes outside the Shift_JIS
// grammar (0x80, 0xA0, 0xF0-0xFF) are copied.
ConvStatus SjisToEuc(std::string_view input, std::string* output);

// ISO-2022-JP with ESC $ B and ESC ( B only; half-width katakana always
// become full-width; the text always ends in the single-byte set.
ConvStatus SjisToJis(std::string_view input, std::string* output);

// UTF-8 without a mark (the file writer adds EF BB BF for CODE_UTF8).
// Every code page 932 character converts, the rows 0xF0-0xFC included; the
// bytes 0x80, 0xA0 and 0xFD-0xFF, which start none, are copied.
ConvStatus SjisToUtf8(std::string_view input, std::string* output);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_CONVERT_H_
