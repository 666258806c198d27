#include "platform/utf8_check.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "platform/utf16.h"

namespace tv {

namespace {

// The rule a byte at a time: whether `b` is what the three bytes before it
// (`tail`, oldest first) call for; `tail` then moves on by `b`.
bool Step(unsigned char b, unsigned char* tail, bool* multi_byte) {
  const unsigned char b1 = tail[2], b2 = tail[1], b3 = tail[0];
  bool cont = (b & 0xC0) == 0x80;
  bool need = b1 >= 0xC0 || b2 >= 0xE0 || b3 >= 0xF0;
  bool bad = cont != need || b == 0xC0 || b == 0xC1 || b >= 0xF5 ||
             (b1 == 0xE0 && b < 0xA0) || (b1 == 0xED && b >= 0xA0) ||
             (b1 == 0xF0 && b < 0x90) || (b1 == 0xF4 && b >= 0x90);
  if (b >= 0xC0) *multi_byte = true;
  tail[0] = tail[1];
  tail[1] = tail[2];
  tail[2] = b;
  return !bad;
}

bool CheckBytes(const unsigned char* p, size_t blocks, unsigned char* tail, bool* multi_byte) {
  for (size_t i = 0; i < blocks; ++i, p += 64) {
    bool ok = true;
    for (size_t j = 0; j < 64; ++j) ok &= Step(p[j], tail, multi_byte);
    if (!ok) return false;
  }
  return true;
}

#if defined(__SSE2__)

// Whole 16-byte rows at once, with no masks taken out of the vectors: each
// byte is held to the three before it (`tail` first).
bool Sse2Block(const unsigned char* p, const unsigned char* tail, bool* multi_byte) {
  unsigned char window[3 + 16];
  std::memcpy(window, tail, 3);
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
  if (_mm_movemask_epi8(leads) != 0) *multi_byte = true;
  return _mm_movemask_epi8(errors) == 0;
}

bool CheckBlocksSse2(const unsigned char* p, size_t blocks, unsigned char* tail, bool* multi_byte) {
  for (size_t i = 0; i < blocks; ++i, p += 64) {
    if (!Sse2Block(p, tail, multi_byte)) return false;
    std::memcpy(tail, p + 61, 3);
  }
  return true;
}

// With a byte shuffle, a pair of bytes is judged by three table lookups,
// by the high and low half of the first byte and the high half of the
// second, ANDed: each bit is one way a pair goes wrong, so that what is left
// set is an error. The bits:
constexpr unsigned char kTooShort = 0x01;        // a lead, then no continuation
constexpr unsigned char kTooLong = 0x02;         // ASCII, then a continuation
constexpr unsigned char kOverlong3 = 0x04;       // E0 80-9F
constexpr unsigned char kTooLarge = 0x08;        // F4 90-BF, F5-FF 90-BF
constexpr unsigned char kSurrogate = 0x10;       // ED A0-BF
constexpr unsigned char kOverlong2 = 0x20;       // C0-C1 80-BF
constexpr unsigned char kOverlong4Or1000 = 0x40;  // F0 80-8F, F5-FF 80-8F
// Two continuations, which is right only where a 3- or 4-byte lead stands
// two or three bytes back: that is held against this bit apart.
constexpr unsigned char kTwoContinuations = 0x80;

constexpr unsigned char kAnyFirst = kTooShort | kTooLong | kTwoContinuations;
constexpr unsigned char kFromF5 = kAnyFirst | kTooLarge | kOverlong4Or1000;

// By the first byte's high half.
alignas(16) constexpr unsigned char kFirstHigh[16] = {
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
    kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
    kTooShort | kOverlong2,                                  // C
    kTooShort,                                               // D
    kTooShort | kOverlong3 | kSurrogate,                     // E
    kTooShort | kTooLarge | kOverlong4Or1000,                // F
};
// By the first byte's low half.
alignas(16) constexpr unsigned char kFirstLow[16] = {
    kAnyFirst | kOverlong3 | kOverlong2 | kOverlong4Or1000,  // 0
    kAnyFirst | kOverlong2,                                  // 1
    kAnyFirst,
    kAnyFirst,
    kAnyFirst | kTooLarge,  // 4
    kFromF5, kFromF5, kFromF5, kFromF5, kFromF5, kFromF5, kFromF5, kFromF5,
    kFromF5 | kSurrogate,  // D
    kFromF5, kFromF5,
};
// By the second byte's high half.
constexpr unsigned char kContinuation8 =
    kTooLong | kOverlong3 | kOverlong2 | kOverlong4Or1000 | kTwoContinuations;
constexpr unsigned char kContinuation9 =
    kTooLong | kOverlong3 | kTooLarge | kOverlong2 | kTwoContinuations;
constexpr unsigned char kContinuationAB =
    kTooLong | kTooLarge | kSurrogate | kOverlong2 | kTwoContinuations;
alignas(16) constexpr unsigned char kSecondHigh[16] = {
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
    kContinuation8, kContinuation9, kContinuationAB, kContinuationAB,
    kTooShort, kTooShort, kTooShort, kTooShort,
};

__m128i Table(const unsigned char* table) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(table));
}

// The last three bytes looked at, in the last three lanes.
__m128i TailLanes(const unsigned char* tail) {
  int bytes = tail[0] | tail[1] << 8 | tail[2] << 16;
  return _mm_slli_si128(_mm_cvtsi32_si128(bytes), 13);
}

// The lanes of `in` that are wrong after the 16 bytes `before`.
[[gnu::target("ssse3"), gnu::always_inline]] inline __m128i Errors16(__m128i in, __m128i before) {
  const __m128i low_half = _mm_set1_epi8(0x0F);
  __m128i prev1 = _mm_alignr_epi8(in, before, 15);
  __m128i pairs = _mm_and_si128(
      _mm_and_si128(
          _mm_shuffle_epi8(Table(kFirstHigh), _mm_and_si128(_mm_srli_epi16(prev1, 4), low_half)),
          _mm_shuffle_epi8(Table(kFirstLow), _mm_and_si128(prev1, low_half))),
      _mm_shuffle_epi8(Table(kSecondHigh), _mm_and_si128(_mm_srli_epi16(in, 4), low_half)));
  // Where E0-FF stands two back or F0-FF three back, the top bit comes out
  // set; it must meet two continuations in a row.
  __m128i third = _mm_subs_epu8(_mm_alignr_epi8(in, before, 14), _mm_set1_epi8(0xE0 - 0x80));
  __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(in, before, 13), _mm_set1_epi8(0xF0 - 0x80));
  __m128i must = _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(-0x80));
  return _mm_xor_si128(pairs, must);
}

[[gnu::target("ssse3")]] bool CheckBlocksSsse3(const unsigned char* p, size_t blocks,
                                               unsigned char* tail, bool* multi_byte) {
  __m128i before = TailLanes(tail);
  for (size_t i = 0; i < blocks; ++i, p += 64) {
    __m128i v[4];
    for (int k = 0; k < 4; ++k) v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p) + k);
    int high = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3])));
    // ASCII, with no sequence before it waiting to go on: nothing to hold.
    if (high == 0 && (_mm_movemask_epi8(before) & 0xE000) == 0) {
      before = v[3];
      continue;
    }
    if (high != 0) *multi_byte = true;
    __m128i errors = _mm_or_si128(_mm_or_si128(Errors16(v[0], before), Errors16(v[1], v[0])),
                                  _mm_or_si128(Errors16(v[2], v[1]), Errors16(v[3], v[2])));
    before = v[3];
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(errors, _mm_setzero_si128())) != 0xFFFF) return false;
  }
  if (blocks > 0) std::memcpy(tail, p - 3, 3);
  return true;
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Table32(const unsigned char* table) {
  return _mm256_broadcastsi128_si256(Table(table));
}

// The lanes of `in` that are wrong after the 32 bytes `before`; as above.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Errors32(__m256i in, __m256i before) {
  const __m256i low_half = _mm256_set1_epi8(0x0F);
  // The shifts work within 16-byte halves: each half of `in` gets the 16
  // bytes before it from this.
  __m256i straddle = _mm256_permute2x128_si256(before, in, 0x21);
  __m256i prev1 = _mm256_alignr_epi8(in, straddle, 15);
  __m256i pairs = _mm256_and_si256(
      _mm256_and_si256(_mm256_shuffle_epi8(Table32(kFirstHigh),
                                           _mm256_and_si256(_mm256_srli_epi16(prev1, 4), low_half)),
                       _mm256_shuffle_epi8(Table32(kFirstLow), _mm256_and_si256(prev1, low_half))),
      _mm256_shuffle_epi8(Table32(kSecondHigh),
                          _mm256_and_si256(_mm256_srli_epi16(in, 4), low_half)));
  __m256i third =
      _mm256_subs_epu8(_mm256_alignr_epi8(in, straddle, 14), _mm256_set1_epi8(0xE0 - 0x80));
  __m256i fourth =
      _mm256_subs_epu8(_mm256_alignr_epi8(in, straddle, 13), _mm256_set1_epi8(0xF0 - 0x80));
  __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(-0x80));
  return _mm256_xor_si256(pairs, must);
}

[[gnu::target("avx2")]] bool CheckBlocksAvx2(const unsigned char* p, size_t blocks,
                                             unsigned char* tail, bool* multi_byte) {
  __m256i before = _mm256_inserti128_si256(_mm256_setzero_si256(), TailLanes(tail), 1);
  for (size_t i = 0; i < blocks; ++i, p += 64) {
    __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    int high = _mm256_movemask_epi8(_mm256_or_si256(lo, hi));
    if (high == 0 && (_mm256_movemask_epi8(before) & 0xE0000000u) == 0) {
      before = hi;
      continue;
    }
    if (high != 0) *multi_byte = true;
    __m256i errors = _mm256_or_si256(Errors32(lo, before), Errors32(hi, lo));
    before = hi;
    if (!_mm256_testz_si256(errors, errors)) return false;
  }
  if (blocks > 0) std::memcpy(tail, p - 3, 3);
  return true;
}

#endif  // __SSE2__

Utf8CheckMethod Fastest() {
  for (Utf8CheckMethod m : {Utf8CheckMethod::kAvx2, Utf8CheckMethod::kSsse3,
                            Utf8CheckMethod::kSse2}) {
    if (Utf8CheckMethodRuns(m)) return m;
  }
  return Utf8CheckMethod::kBytes;
}

}  // namespace

bool Utf8CheckMethodRuns(Utf8CheckMethod method) {
  switch (method) {
    case Utf8CheckMethod::kFastest:
    case Utf8CheckMethod::kBytes:
      return true;
#if defined(__SSE2__)
    case Utf8CheckMethod::kSse2:
      return true;
    case Utf8CheckMethod::kSsse3:
      return __builtin_cpu_supports("ssse3");
    case Utf8CheckMethod::kAvx2:
      return __builtin_cpu_supports("avx2");
#endif
    default:
      return false;
  }
}

Utf8Check::Utf8Check(Utf8CheckMethod method) : check_blocks_(CheckBytes) {
  static const Utf8CheckMethod fastest = Fastest();
  if (method == Utf8CheckMethod::kFastest) method = fastest;
  if (!Utf8CheckMethodRuns(method)) return;
#if defined(__SSE2__)
  if (method == Utf8CheckMethod::kSse2) check_blocks_ = CheckBlocksSse2;
  if (method == Utf8CheckMethod::kSsse3) check_blocks_ = CheckBlocksSsse3;
  if (method == Utf8CheckMethod::kAvx2) check_blocks_ = CheckBlocksAvx2;
#endif
}

void Utf8Check::Blocks(const unsigned char* p, size_t blocks) {
  if (!check_blocks_(p, blocks, tail_, &multi_byte_)) errors_ |= 1;
}

void Utf8Check::Feed(std::string_view piece) {
  if (piece.empty()) return;  // an empty view may hold no pointer at all
  const unsigned char* p = reinterpret_cast<const unsigned char*>(piece.data());
  size_t n = piece.size();
  if (staged_size_ > 0) {
    size_t take = std::min(n, sizeof staged_ - staged_size_);
    std::memcpy(staged_ + staged_size_, p, take);
    staged_size_ += take;
    p += take;
    n -= take;
    if (staged_size_ < sizeof staged_) return;
    Blocks(staged_, 1);
    staged_size_ = 0;
  }
  if (errors_ != 0) return;
  Blocks(p, n / 64);
  if (errors_ != 0) return;
  std::memcpy(staged_, p + n / 64 * 64, n % 64);
  staged_size_ = n % 64;
}

bool Utf8Check::Valid() {
  if (!finished_) {
    finished_ = true;
    // Zero bytes after the end: ASCII, and no continuation byte, so a
    // sequence cut off by the end shows.
    std::memset(staged_ + staged_size_, 0, sizeof staged_ - staged_size_);
    Blocks(staged_, 1);
    if (staged_size_ > 61) {
      std::memset(staged_, 0, sizeof staged_);
      Blocks(staged_, 1);
    }
    staged_size_ = 0;
  }
  return errors_ == 0;
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
