#include "platform/utf8_block.h"

#include <array>
#include <bit>
#include <cstdint>

#include "platform/byte_lanes.h"

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#endif

namespace tv {

#if defined(__SSE2__)
namespace {

// What one block holds: plain ASCII (already stored), short valid
// characters (units to pick out), or anything else.
enum class BlockKind { kAscii, kShort, kOther };

struct ShortBlock {
  __m128i units[8];  // lane i of units[g]: the unit if a character starts at 8g + i
  uint64_t starts;   // the bytes whose unit is wanted, in order
  size_t taken;      // the bytes the block's whole characters take
};

// Continuation bytes must be exactly those that the lead bytes call for;
// then every byte's unit, as if a character started there, is worked out
// for all 64 at once (overlong forms and surrogates show there).
// in[64..66] must be readable.
inline BlockKind ReadBlock(const unsigned char* in, char16_t* out, ShortBlock* block) {
  uint64_t high = 0, cont = 0, lead2 = 0, lead3 = 0, cr = 0, lf = 0;
  for (size_t k = 0; k < kUtf8BlockBytes; k += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
    high |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(bytes))) << k;
    cr |= BytesEqual(bytes, '\r') << k;
    lf |= BytesEqual(bytes, '\n') << k;
    cont |= BytesIn(bytes, 0x80, 0x3F) << k;
    lead2 |= BytesIn(bytes, 0xC0, 0x1F) << k;
    lead3 |= BytesIn(bytes, 0xE0, 0x0F) << k;
  }
  const __m128i zero = _mm_setzero_si128();
  if ((high | cr) == 0) {
    // Plain ASCII: every byte is its own unit.
    for (size_t k = 0; k < kUtf8BlockBytes; k += 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_unpacklo_epi8(bytes, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), _mm_unpackhi_epi8(bytes, zero));
    }
    return BlockKind::kAscii;
  }
  // F0 and up: four-byte characters and bytes that start none.
  uint64_t other = high & ~cont & ~lead2 & ~lead3;
  if ((cont ^ (lead2 << 1 | lead3 << 1 | lead3 << 2)) != 0 || other != 0) return BlockKind::kOther;
  const __m128i low6 = _mm_set1_epi16(0x3F);
  __m128i bad = zero;
  for (size_t k = 0; k < kUtf8BlockBytes; k += 16) {
    __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
    __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k + 1));
    __m128i third = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k + 2));
    // 16 bytes at once: the leads, and the forms not allowed: C0 and C1
    // (overlong), E0 before 80-9F (overlong), ED before A0-BF (surrogates).
    auto equal = [](__m128i v, int byte) {
      return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(byte)));
    };
    auto masked = [](__m128i v, int mask) {
      return _mm_and_si128(v, _mm_set1_epi8(static_cast<char>(mask)));
    };
    __m128i lead3 = equal(masked(first, 0xF0), 0xE0);
    __m128i lead2 = equal(masked(first, 0xE0), 0xC0);
    __m128i upper_half = equal(masked(second, 0x20), 0x20);
    bad = _mm_or_si128(bad, _mm_or_si128(_mm_andnot_si128(upper_half, equal(first, 0xE0)),
                                         _mm_and_si128(upper_half, equal(first, 0xED))));
    bad = _mm_or_si128(bad, equal(masked(first, 0xFE), 0xC0));
    for (int half = 0; half < 2; ++half) {
      auto widen = [half, zero](__m128i v) {
        return half ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero);
      };
      __m128i b0 = widen(first);
      __m128i is3 = half ? _mm_unpackhi_epi8(lead3, lead3) : _mm_unpacklo_epi8(lead3, lead3);
      __m128i is2 = half ? _mm_unpackhi_epi8(lead2, lead2) : _mm_unpacklo_epi8(lead2, lead2);
      // Two bytes' worth; three bytes' is six bits more (the lead's fifth
      // bit is clear in E0-EF, so the same mask serves).
      __m128i two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(b0, _mm_set1_epi16(0x1F)), 6),
                                 _mm_and_si128(widen(second), low6));
      __m128i three = _mm_or_si128(_mm_slli_epi16(two, 6), _mm_and_si128(widen(third), low6));
      __m128i unit = _mm_or_si128(_mm_and_si128(is3, three), _mm_andnot_si128(is3, b0));
      block->units[k / 8 + half] =
          _mm_or_si128(_mm_and_si128(is2, two), _mm_andnot_si128(is2, unit));
    }
  }
  if (_mm_movemask_epi8(bad) != 0) return BlockKind::kOther;
  // A character that runs past the block waits for the next one.
  block->taken = kUtf8BlockBytes;
  if ((lead3 >> 62) & 1) {
    block->taken = 62;
  } else if (((lead3 | lead2) >> 63) & 1) {
    block->taken = 63;
  }
  uint64_t lf_after = lf >> 1 | static_cast<uint64_t>(in[64] == '\n') << 63;
  block->starts = ~cont & ~(cr & lf_after);  // a CR before LF gives no unit
  if (block->taken < kUtf8BlockBytes) block->starts &= (uint64_t{1} << block->taken) - 1;
  return BlockKind::kShort;
}

// For each set of 8 starts: the byte indices that move their lanes to the
// front, and how many there are.
struct LanePicks {
  alignas(16) uint8_t shuffle[256][16];
  uint8_t count[256];
};

constexpr LanePicks kLanePicks = [] {
  LanePicks picks{};
  for (unsigned m = 0; m < 256; ++m) {
    uint8_t n = 0;
    for (uint8_t lane = 0; lane < 8; ++lane) {
      if ((m >> lane) & 1) {
        picks.shuffle[m][2 * n] = static_cast<uint8_t>(2 * lane);
        picks.shuffle[m][2 * n + 1] = static_cast<uint8_t>(2 * lane + 1);
        ++n;
      }
    }
    for (unsigned rest = 2u * n; rest < 16; ++rest) picks.shuffle[m][rest] = 0x80;
    picks.count[m] = n;
  }
  return picks;
}();

// The units of the bytes that start a character, in order, at `out`
// (which has room for 64); returns how many.
using PickUnits = size_t (*)(const ShortBlock& block, char16_t* out);

size_t PickUnitsOneByOne(const ShortBlock& block, char16_t* out) {
  alignas(16) uint16_t at[kUtf8BlockBytes];
  for (int g = 0; g < 8; ++g)
    _mm_store_si128(reinterpret_cast<__m128i*>(at + 8 * g), block.units[g]);
  size_t n = 0;
  for (uint64_t starts = block.starts; starts != 0; starts &= starts - 1) {
    out[n++] = at[std::countr_zero(starts)];
  }
  return n;
}

#if defined(__x86_64__) || defined(__i386__)
// Eight lanes at a time: one shuffle and one store a group, where picking
// units out one by one costs a dependent step each.
[[gnu::target("ssse3")]] size_t PickUnitsShuffled(const ShortBlock& block, char16_t* out) {
  size_t n = 0;
  for (int g = 0; g < 8; ++g) {
    unsigned m = static_cast<uint8_t>(block.starts >> (8 * g));
    __m128i pick = _mm_load_si128(reinterpret_cast<const __m128i*>(kLanePicks.shuffle[m]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_shuffle_epi8(block.units[g], pick));
    n += kLanePicks.count[m];
  }
  return n;
}
#endif

size_t DecodeBlocks(const unsigned char* in, size_t avail, char16_t* out, size_t room,
                    size_t* units, bool* refused, PickUnits pick_units) {
  size_t pos = 0, n = 0;
  *refused = false;
  ShortBlock block;
  while (avail - pos >= kUtf8BlockBytes + 3 && room - n >= kUtf8BlockBytes) {
    BlockKind kind = ReadBlock(in + pos, out + n, &block);
    if (kind == BlockKind::kOther) {
      *refused = true;
      break;
    }
    if (kind == BlockKind::kAscii) {
      pos += kUtf8BlockBytes;
      n += kUtf8BlockBytes;
      continue;
    }
    n += pick_units(block, out + n);
    pos += block.taken;
  }
  *units = n;
  return pos;
}

}  // namespace

size_t DecodeUtf8BlocksOneByOne(const unsigned char* in, size_t avail, char16_t* out, size_t room,
                                size_t* units, bool* refused) {
  return DecodeBlocks(in, avail, out, room, units, refused, PickUnitsOneByOne);
}

size_t DecodeUtf8Blocks(const unsigned char* in, size_t avail, char16_t* out, size_t room,
                        size_t* units, bool* refused) {
#if defined(__x86_64__) || defined(__i386__)
  static const PickUnits pick_units =
      __builtin_cpu_supports("ssse3") ? PickUnitsShuffled : PickUnitsOneByOne;
#else
  constexpr PickUnits pick_units = PickUnitsOneByOne;
#endif
  return DecodeBlocks(in, avail, out, room, units, refused, pick_units);
}

#else  // no SSE2: every character goes one by one

size_t DecodeUtf8BlocksOneByOne(const unsigned char*, size_t, char16_t*, size_t, size_t* units,
                                bool* refused) {
  *units = 0;
  *refused = true;
  return 0;
}

size_t DecodeUtf8Blocks(const unsigned char* in, size_t avail, char16_t* out, size_t room,
                        size_t* units, bool* refused) {
  return DecodeUtf8BlocksOneByOne(in, avail, out, room, units, refused);
}

#endif

}  // namespace tv
