// The Shift_JIS pivot to UTF-16 through code page 932, unit by unit, with
// one line-break sequence rewritten on the way. Shared by the UTF-16 output
// assembly and the console writer, which both need the whole text (zero
// bytes included) and must not hold a second copy of it.
#ifndef TV_TOOLS_KANVO_SJIS_DECODE_H_
#define TV_TOOLS_KANVO_SJIS_DECODE_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/char_starts.h"
#include "tools/kanvo/newline.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  char16_t pair[256][256];  // the character that starts with a byte when
                            // the other follows: for a byte that is no lead
                            // byte, or a lead byte before zero, the byte alone
};
const Cp932DecodeTable& Cp932Decoding();

#if defined(__SSE2__)
// The characters of 64 bytes (and the bytes rewritten among them), found
// at once; byte 0 starts one.
struct SjisBlock {
  uint64_t starts;  // bytes that start a character
  uint64_t sought;  // starts of a sought sequence
  size_t taken;     // bytes to the next block: 64, or 65 when the last
                    // character takes the byte after them
};

inline uint64_t BlockBytesEqual(__m128i bytes, uint8_t value) {
  __m128i equal = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(value)));
  return static_cast<uint16_t>(_mm_movemask_epi8(equal));
}

// p[0..64] must be readable (the byte after the block decides whether the
// last byte takes it along).
inline SjisBlock ScanSjisBlock(const uint8_t* p, const NewlineRewrite& rewrite) {
  const NewlineSequence& sought = rewrite.sought;
  uint64_t lead = 0, zero = 0, first = 0, second = 0;
  for (int k = 0; k < 64; k += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    // XOR 0x20 moves the lead bytes 0x81-0x9F and 0xE0-0xFC to one
    // stretch, 0xA1-0xDC.
    __m128i moved = _mm_sub_epi8(_mm_xor_si128(bytes, _mm_set1_epi8(0x20)),
                                 _mm_set1_epi8(static_cast<char>(0xA1)));
    __m128i is_lead =
        _mm_cmpeq_epi8(_mm_subs_epu8(moved, _mm_set1_epi8(0x3B)), _mm_setzero_si128());
    lead |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(is_lead))) << k;
    zero |= BlockBytesEqual(bytes, 0) << k;
    if (sought.size > 0) first |= BlockBytesEqual(bytes, sought.units[0]) << k;
    if (sought.size > 1) second |= BlockBytesEqual(bytes, sought.units[1]) << k;
  }
  uint64_t zero_after = zero >> 1 | static_cast<uint64_t>(p[64] == 0) << 63;
  uint64_t takes_next = lead & ~zero_after;
  uint64_t sought_bytes = first;
  if (sought.size > 1) {
    uint64_t second_after = second >> 1 | static_cast<uint64_t>(p[64] == sought.units[1]) << 63;
    sought_bytes = first & second_after;
    takes_next |= sought_bytes;
  }
  SjisBlock block;
  block.starts = tv::CharacterStarts(takes_next);
  block.sought = block.starts & sought_bytes;
  block.taken = 64 + (tv::LastCharacterGoesOn(block.starts, takes_next) ? 1 : 0);
  return block;
}
#endif

// Calls emit(char16_t) for every unit of the decoded text. A lead byte takes
// the next byte with it unless that is the end or a zero byte (the code
// page's rule); CR and LF are single bytes, so a sought sequence is found on
// the bytes, scanning left to right without overlap. This is the plain
// method, a byte or two at a time; DecodeSjis gives the same units faster.
template <typename Emit>
void DecodeSjisByteByByte(std::string_view text, const NewlineRewrite& rewrite, Emit&& emit) {
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

// DecodeSjis's units, 64 bytes at a time where it can: the characters'
// starts are found for the whole block, and each is then one lookup.
template <typename Emit>
void DecodeSjis(std::string_view text, const NewlineRewrite& rewrite, Emit&& emit) {
  size_t i = 0;
#if defined(__SSE2__)
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  const Cp932DecodeTable& table = Cp932Decoding();
  // Whole blocks while a byte after them is there to look at.
  while (n - i > 64) {
    SjisBlock block = ScanSjisBlock(p + i, rewrite);
    for (uint64_t starts = block.starts; starts != 0; starts &= starts - 1) {
      int at = std::countr_zero(starts);
      if (((block.sought >> at) & 1) != 0) {
        for (int k = 0; k < rewrite.replacement.size; ++k) {
          emit(char16_t{rewrite.replacement.units[k]});
        }
      } else {
        emit(table.pair[p[i + at]][p[i + at + 1]]);
      }
    }
    i += block.taken;
  }
#endif
  DecodeSjisByteByByte(text.substr(i), rewrite, emit);
}

// The count of units DecodeSjis gives for the text, from the character
// starts alone where it can.
inline size_t CountSjisUnits(std::string_view text, const NewlineRewrite& rewrite) {
  size_t units = 0;
  size_t i = 0;
#if defined(__SSE2__)
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  const size_t extra = rewrite.replacement.size > 0 ? rewrite.replacement.size - 1u : 0u;
  while (n - i > 64) {
    SjisBlock block = ScanSjisBlock(p + i, rewrite);
    units += static_cast<size_t>(std::popcount(block.starts)) +
             extra * static_cast<size_t>(std::popcount(block.sought));
    i += block.taken;
  }
#endif
  DecodeSjisByteByByte(text.substr(i), rewrite, [&units](char16_t) { ++units; });
  return units;
}

// One decoded unit as the console's UTF-8, at out (room for 3 bytes);
// returns the bytes written. Code page 932 gives no surrogates, so a stray
// one can only be an error and goes out as U+FFFD.
inline size_t EncodeConsoleUnit(char16_t unit, char* out) {
  if (unit < 0x80) {
    out[0] = static_cast<char>(unit);
    return 1;
  }
  if (unit < 0x800) {
    out[0] = static_cast<char>(0xC0 | (unit >> 6));
    out[1] = static_cast<char>(0x80 | (unit & 0x3F));
    return 2;
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
  out[0] = static_cast<char>(0xE0 | (unit >> 12));
  out[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (unit & 0x3F));
  return 3;
}

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_SJIS_DECODE_H_
