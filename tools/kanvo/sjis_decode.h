// The Shift_JIS pivot to UTF-16 through code page 932, unit by unit, with
// one line-break sequence rewritten on the way. Shared by the UTF-16 output
// assembly and the console writer, which both need the whole text (zero
// bytes included) and must not hold a second copy of it.
#ifndef TV_TOOLS_KANVO_SJIS_DECODE_H_
#define TV_TOOLS_KANVO_SJIS_DECODE_H_

#include <cstdint>
#include <string_view>

#include "tools/kanvo/newline.h"

namespace kanvo {

// What to rewrite: every `sought` sequence (units CR/LF) becomes
// `replacement`. An empty `sought` rewrites nothing.
struct NewlineRewrite {
  NewlineSequence sought;
  NewlineSequence replacement;
};

inline constexpr NewlineRewrite kNoRewrite = {{{0, 0}, 0}, {{0, 0}, 0}};

// Code page 932 decoding in one lookup per character, derived once from the
// platform's conversions.
struct Cp932DecodeTable {
  bool lead[256];
  char16_t single[256];     // a byte alone (a lead byte alone gives U+30FB)
  char16_t pair[256][256];  // rows of the lead bytes only
};
const Cp932DecodeTable& Cp932Decoding();

// Calls emit(char16_t) for every unit of the decoded text. A lead byte takes
// the next byte with it unless that is the end or a zero byte (the code
// page's rule); CR and LF are single bytes, so a sought sequence is found on
// the bytes, scanning left to right without overlap.
template <typename Emit>
void DecodeSjis(std::string_view text, const NewlineRewrite& rewrite, Emit&& emit) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  const int first = rewrite.sought.size > 0 ? rewrite.sought.units[0] : -1;
  const Cp932DecodeTable& table = Cp932Decoding();
  size_t i = 0;
  while (i < n) {
    uint8_t b = p[i];
    if (b == first) {
      if (rewrite.sought.size == 1 || (i + 1 < n && p[i + 1] == rewrite.sought.units[1])) {
        for (int k = 0; k < rewrite.replacement.size; ++k) {
          emit(char16_t{rewrite.replacement.units[k]});
        }
        i += rewrite.sought.size;
        continue;
      }
    }
    if (table.lead[b] && i + 1 < n && p[i + 1] != 0) {
      emit(table.pair[b][p[i + 1]]);
      i += 2;
    } else {
      emit(table.single[b]);  // a lead byte with no trail byte gives U+30FB
      ++i;
    }
  }
}

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_SJIS_DECODE_H_
