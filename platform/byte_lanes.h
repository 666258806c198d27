// Bit masks of the bytes in a 16-byte vector that meet a test, for the
// block decoders.
#ifndef TV_PLATFORM_BYTE_LANES_H_
#define TV_PLATFORM_BYTE_LANES_H_

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace tv {

// The lanes of a 16-byte block that hold `byte`, as bits.
inline uint64_t BytesEqual(__m128i block, char byte) {
  return static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(byte))));
}

// The lanes of a 16-byte block whose bytes lie in [low, low + span],
// as bits (unsigned: the distance from low saturates to zero in range).
inline uint64_t BytesIn(__m128i block, unsigned char low, unsigned char span) {
  __m128i distance = _mm_sub_epi8(block, _mm_set1_epi8(static_cast<char>(low)));
  __m128i beyond = _mm_subs_epu8(distance, _mm_set1_epi8(static_cast<char>(span)));
  return static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(beyond, _mm_setzero_si128())));
}

}  // namespace tv

#endif  // __SSE2__
#endif  // TV_PLATFORM_BYTE_LANES_H_
