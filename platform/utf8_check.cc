#include "platform/utf8_check.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/utf16.h"

namespace tv {

void Utf8Check::Block(const unsigned char* p) {
#if defined(__SSE2__)
  // Whole 16-byte rows at once, with no masks taken out of the vectors:
  // each byte is held to the three before it (the last block's last three
  // bytes come first, from `tail_`).
  unsigned char window[3 + 16];
  std::memcpy(window, tail_, 3);
  std::memcpy(window + 3, p, 16);
  const __m128i c0 = _mm_set1_epi8(static_cast<char>(0xC0));
  auto at_least = [](__m128i v, int low) {
    __m128i l = _mm_set1_epi8(static_cast<char>(low));
    return _mm_cmpeq_epi8(_mm_max_epu8(v, l), v);
  };
  auto equal = [](__m128i v, int byte) {
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(byte)));
  };
  __m128i errors = _mm_setzero_si128();
  __m128i leads = _mm_setzero_si128();
  for (size_t k = 0; k < 64; k += 16) {
    const unsigned char* q = k == 0 ? window + 3 : p + k;
    __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    __m128i b3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q - 3));
    if (_mm_movemask_epi8(_mm_or_si128(b0, b3)) == 0) continue;  // ASCII all round
    __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q - 1));
    __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q - 2));
    // A byte must be a continuation byte exactly when a lead before it
    // calls for one.
    __m128i cont = equal(_mm_and_si128(b0, c0), 0x80);
    __m128i need =
        _mm_or_si128(_mm_or_si128(at_least(b1, 0xC0), at_least(b2, 0xE0)), at_least(b3, 0xF0));
    errors = _mm_or_si128(errors, _mm_xor_si128(cont, need));
    // C0, C1 and F5-FF start nothing.
    errors = _mm_or_si128(errors, _mm_or_si128(equal(_mm_and_si128(b0, _mm_set1_epi8(
                                                                           static_cast<char>(0xFE))),
                                                     0xC0),
                                               at_least(b0, 0xF5)));
    // The byte after E0 is A0-BF, after ED 80-9F, after F0 90-BF, after F4
    // 80-8F.
    __m128i from_a0 = at_least(b0, 0xA0), from_90 = at_least(b0, 0x90);
    errors = _mm_or_si128(
        errors, _mm_or_si128(_mm_or_si128(_mm_andnot_si128(from_a0, equal(b1, 0xE0)),
                                          _mm_and_si128(from_a0, equal(b1, 0xED))),
                             _mm_or_si128(_mm_andnot_si128(from_90, equal(b1, 0xF0)),
                                          _mm_and_si128(from_90, equal(b1, 0xF4)))));
    leads = _mm_or_si128(leads, at_least(b0, 0xC0));
  }
  if (_mm_movemask_epi8(errors) != 0) errors_ |= 1;
  if (_mm_movemask_epi8(leads) != 0) multi_byte_ = true;
  std::memcpy(tail_, p + 61, 3);
#else
  for (size_t i = 0; i < 64; ++i) Step(p[i]);
#endif
}

void Utf8Check::Feed(std::string_view piece) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(piece.data());
  size_t n = piece.size();
  if (staged_size_ > 0) {
    size_t take = std::min(n, sizeof staged_ - staged_size_);
    std::memcpy(staged_ + staged_size_, p, take);
    staged_size_ += take;
    p += take;
    n -= take;
    if (staged_size_ < sizeof staged_) return;
    Block(staged_);
    staged_size_ = 0;
  }
  for (; n >= 64 && errors_ == 0; p += 64, n -= 64) Block(p);
  if (errors_ != 0) return;
  std::memcpy(staged_, p, n);
  staged_size_ = n;
}

bool Utf8Check::Valid() {
  if (!finished_) {
    finished_ = true;
    // Zero bytes after the end: ASCII, and no continuation byte, so a
    // sequence cut off by the end shows.
    std::memset(staged_ + staged_size_, 0, sizeof staged_ - staged_size_);
    Block(staged_);
    if (staged_size_ > 61) {
      std::memset(staged_, 0, sizeof staged_);
      Block(staged_);
    }
    staged_size_ = 0;
  }
  return errors_ == 0;
}

void Utf8Check::Step(unsigned char b) {
  // The same rules a byte at a time: what is needed of this byte, given
  // the three before it.
  const unsigned char b1 = tail_[2], b2 = tail_[1], b3 = tail_[0];
  bool cont = (b & 0xC0) == 0x80;
  bool need = b1 >= 0xC0 || b2 >= 0xE0 || b3 >= 0xF0;
  bool bad = cont != need || b == 0xC0 || b == 0xC1 || b >= 0xF5 ||
             (b1 == 0xE0 && b < 0xA0) || (b1 == 0xED && b >= 0xA0) ||
             (b1 == 0xF0 && b < 0x90) || (b1 == 0xF4 && b >= 0x90);
  if (bad) errors_ |= 1;
  if (b >= 0xC0) multi_byte_ = true;
  tail_[0] = tail_[1];
  tail_[1] = tail_[2];
  tail_[2] = b;
}

bool IsUtf8ByteByByte(std::string_view text, bool* multi_byte) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  *multi_byte = false;
  for (size_t i = 0; i < text.size();) {
    char32_t cp;
    size_t length = DecodeUtf8Sequence(p + i, text.size() - i, &cp);
    if (length == 0) return false;
    *multi_byte |= length > 1;
    i += length;
  }
  return true;
}

}  // namespace tv
