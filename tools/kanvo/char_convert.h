// Per-character building blocks of the converters. The converters use
// tables derived from these; tests use them as the plain reference.
#ifndef TV_TOOLS_KANVO_CHAR_CONVERT_H_
#define TV_TOOLS_KANVO_CHAR_CONVERT_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kanvo {

// What an ISO-2022-JP escape sequence designates.
enum EscapeClass : int {
  ESC_SINGLE_BYTE,   // ESC ( B, ESC ( J, ESC ( H
  ESC_TWO_BYTE,      // ESC $ @, ESC $ B, ESC $ ( D/O/P, ESC & @ ESC $ B
  ESC_KATAKANA,      // ESC ( I
  ESC_UNRECOGNISED,  // anything else, a sequence cut off by the end included
};

struct Escape {
  EscapeClass kind;
  size_t length;  // bytes, ESC included; 1 when unrecognised
};

// The escape sequence at the start of `text` (whose first byte is ESC).
Escape ParseEscape(std::string_view text);

// Shift_JIS pair to its JIS X 0208 row/cell bytes, in place (8-bit
// arithmetic; any pair gives some result). The converters derive their
// lookup tables from it at compile time.
constexpr void SjisPairToJis(uint8_t* s1, uint8_t* s2) {
  uint8_t base = *s1 <= 0x9F ? 0x70 : 0xB0;
  uint8_t row = static_cast<uint8_t>(*s1 - base);
  if (*s2 < 0x9F) {
    *s1 = static_cast<uint8_t>(2 * row - 1);
    *s2 = static_cast<uint8_t>(*s2 - (*s2 <= 0x7E ? 0x1F : 0x20));
  } else {
    *s1 = static_cast<uint8_t>(2 * row);
    *s2 = static_cast<uint8_t>(*s2 - 0x7E);
  }
}

// JIS X 0208 row/cell bytes (also EUC-JP bytes less 0x80) to Shift_JIS;
// the results are cut to 8 bits.
constexpr void JisPairToSjis(uint8_t j1, uint8_t j2, uint8_t sjis[2]) {
  sjis[0] = static_cast<uint8_t>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  int offset = (j1 & 1) != 0 ? (j2 <= 0x5F ? 0x1F : 0x20) : 0x7E;
  sjis[1] = static_cast<uint8_t>(j2 + offset);
}

// Full-width Shift_JIS pair of the half-width katakana byte `half` (0xA1-
// 0xDF). `next` is the byte after it, or -1 when there is none. Returns true
// when `next` was a voiced or semi-voiced mark absorbed into the result.
bool HalfToFullKatakana(uint8_t half, int next, uint8_t full[2]);

// The Shift_JIS bytes (1 or 2, written to `out`) of the 2- or 3-byte UTF-8
// sequence at the start of `seq`, its length taken from the lead byte;
// bytes missing at the end of `seq` count as zero. 0 when the code page
// conversion fails.
int Utf8SequenceToSjis(std::string_view seq, uint8_t out[2]);

// The UTF-8 form (1 to 3 bytes, written to `out`) of one Shift_JIS
// character: `lead` alone when `trail` is 0, else the pair.
int SjisCharToUtf8(uint8_t lead, uint8_t trail, uint8_t out[3]);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_CHAR_CONVERT_H_
