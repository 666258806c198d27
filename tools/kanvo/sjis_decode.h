// The Shift_JIS pivot to UTF-16 through code page 932, unit by unit, with
// one line-break sequence rewritten on the way. Shared by the UTF-16 output
// assembly and the console writer, which both need the whole text (zero
// bytes included) and must not hold a second copy of it.
#ifndef TV_TOOLS_KANVO_SJIS_DECODE_H_
#define TV_TOOLS_KANVO_SJIS_DECODE_H_

#include <cstdint>
#include <string_view>

#include "platform/cp932.h"
#include "tools/kanvo/newline.h"

namespace kanvo {

// What to rewrite: every `sought` sequence (units CR/LF) becomes
// `replacement`. An empty `sought` rewrites nothing.
struct NewlineRewrite {
  NewlineSequence sought;
  NewlineSequence replacement;
};

inline constexpr NewlineRewrite kNoRewrite = {{{0, 0}, 0}, {{0, 0}, 0}};

// Calls emit(char16_t) for every unit of the decoded text. A lead byte takes
// the next byte with it unless that is the end or a zero byte (the code
// page's rule); CR and LF are single bytes, so a sought sequence is found on
// the bytes, scanning left to right without overlap.
template <typename Emit>
void DecodeSjis(std::string_view text, const NewlineRewrite& rewrite, Emit&& emit) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  const int first = rewrite.sought.size > 0 ? rewrite.sought.units[0] : -1;
  size_t i = 0;
  while (i < n) {
    uint8_t b = p[i];
    if (b == first) {
      if (rewrite.sought.size == 1 || (i + 1 < n && p[i + 1] == rewrite.sought.units[1])) {
        for (int k = 0; k < rewrite.replacement.size; ++k) emit(char16_t{rewrite.replacement.units[k]});
        i += rewrite.sought.size;
        continue;
      }
    }
    if (b < 0x80) {  // code page 932 keeps ASCII as it is
      emit(char16_t{b});
      ++i;
    } else if (!tv::Cp932IsLeadByte(b)) {
      emit(tv::Cp932SingleByteToUnit(b));
      ++i;
    } else if (i + 1 < n && p[i + 1] != 0) {
      emit(tv::Cp932PairToUnit(b, p[i + 1]));
      i += 2;
    } else {
      emit(tv::Cp932SingleByteToUnit(b));  // a lead byte with no trail byte
      ++i;
    }
  }
}

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_SJIS_DECODE_H_
