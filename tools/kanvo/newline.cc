#include "tools/kanvo/newline.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kanvo {

namespace {
constexpr char kCr = 0x0D;
constexpr char kLf = 0x0A;
}  // namespace

NewlineKind DetectNewlineKind(std::string_view input) {
  if (input.empty()) return NL_NONE;
  const char* const data = input.data();
  const size_t length = input.size();
  const char* const end = data + length;
  uint64_t crs = 0, lfs = 0, pairs = 0;
  // Line breaks are sparse: memchr jumps from one to the next.
  for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, kLf, end - p))); ++p) {
    ++lfs;
  }
  for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, kCr, end - p))); ++p) {
    ++crs;
    size_t rest = end - p - 1;  // bytes after this CR
    if (rest >= 1 && p[1] == kLf) {
      ++pairs;
    } else if (rest >= 3 && p[1] == 0 && p[2] == kLf && p[3] == 0) {
      ++pairs;  // CR LF as little-endian UTF-16 units
    }
  }
  if (pairs == 0) {
    if (crs == 0 && lfs == 0) return NL_NONE;
    return crs < lfs ? NL_LF : NL_CR;
  }
  // The share of CRs that begin a pair is below 50 % exactly when twice the
  // pairs fall short of the CRs; likewise for the LFs that end one. Neither
  // count is 0 here, since every pair adds to both.
  if (2 * pairs < crs) return NL_CR;
  return 2 * pairs >= lfs ? NL_CRLF : NL_LF;
}

void NewlineCounter::CountCrs(std::string_view bytes, size_t starts) {
  const char* const data = bytes.data();
  const char* const end = data + bytes.size();
  for (const char* p = data; p < data + starts; ++p) {
    p = static_cast<const char*>(std::memchr(p, kCr, data + starts - p));
    if (p == nullptr) break;
    ++crs_;
    size_t rest = end - p - 1;
    if (rest >= 1 && p[1] == kLf) {
      ++pairs_;
    } else if (rest >= 3 && p[1] == 0 && p[2] == kLf && p[3] == 0) {
      ++pairs_;
    }
  }
}

#if defined(__SSE2__)
namespace {

// The set bits of x, inline: std::popcount is a library call on the
// x86-64 baseline, which lacks the instruction.
inline uint64_t CountOnes(uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555;
  x = (x & 0x3333333333333333) + ((x >> 2) & 0x3333333333333333);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0F;
  return (x * 0x0101010101010101) >> 56;
}

// The bytes among 16 at p that equal `value`, as bits.
inline uint64_t Equal16(__m128i bytes, char value) {
  return static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(value))));
}

}  // namespace
#endif

size_t NewlineCounter::CountBlocks(const char* p, size_t starts, size_t size) {
  size_t i = 0;
#if defined(__SSE2__)
  // 64 bytes at a time, with the 16 after them loaded to see the three
  // bytes after each CR: text with a line break every few dozen bytes
  // costs memchr a call a break.
  while (i + 64 <= starts && i + 80 <= size) {
    uint64_t cr = 0, lf = 0, zero = 0;
    for (int k = 0; k < 64; k += 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k));
      cr |= Equal16(bytes, kCr) << k;
      lf |= Equal16(bytes, kLf) << k;
      zero |= Equal16(bytes, 0) << k;
    }
    __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 64));
    uint64_t lf_after = Equal16(after, kLf), zero_after = Equal16(after, 0);
    uint64_t lf1 = lf >> 1 | lf_after << 63, lf2 = lf >> 2 | lf_after << 62;
    uint64_t zero1 = zero >> 1 | zero_after << 63, zero3 = zero >> 3 | zero_after << 61;
    lfs_ += CountOnes(lf);
    if (cr != 0) {  // most texts have none
      crs_ += CountOnes(cr);
      pairs_ += CountOnes(cr & (lf1 | (zero1 & lf2 & zero3)));
    }
    i += 64;
  }
#else
  (void)p;
  (void)starts;
  (void)size;
#endif
  return i;
}

void NewlineCounter::Feed(std::string_view piece) {
  if (piece.empty()) return;
  // CRs are counted here up to three bytes before the end of the piece.
  const size_t starts = piece.size() > 3 ? piece.size() - 3 : 0;
  const size_t done = CountBlocks(piece.data(), starts, piece.size());
  for (const char *p = piece.data() + done, *end = piece.data() + piece.size();
       (p = static_cast<const char*>(std::memchr(p, kLf, end - p))); ++p) {
    ++lfs_;
  }
  // The text so far is tail_ + piece, of length `total`. A CR is counted
  // once the three bytes after it are known (or the text has ended): here
  // those before the last three bytes.
  char joined[6];
  std::memcpy(joined, tail_, tail_size_);
  size_t head = piece.size() < 3 ? piece.size() : 3;
  std::memcpy(joined + tail_size_, piece.data(), head);
  const size_t total = tail_size_ + piece.size();
  if (total <= 3) {
    std::memcpy(tail_, joined, total);
    tail_size_ = total;
    return;
  }
  std::string_view window(joined, tail_size_ + head);
  CountCrs(window, tail_size_ < total - 3 ? tail_size_ : total - 3);
  if (starts > done) CountCrs(piece.substr(done), starts - done);
  if (piece.size() >= 3) {
    std::memcpy(tail_, piece.data() + piece.size() - 3, 3);
  } else {
    std::memmove(tail_, window.data() + window.size() - 3, 3);
  }
  tail_size_ = 3;
}

NewlineKind NewlineCounter::Kind() const {
  NewlineCounter last = *this;
  last.CountCrs(std::string_view(tail_, tail_size_), tail_size_);
  uint64_t crs = last.crs_, lfs = last.lfs_, pairs = last.pairs_;
  if (crs == 0 && lfs == 0) return NL_NONE;
  if (pairs == 0) return crs < lfs ? NL_LF : NL_CR;
  if (2 * pairs < crs) return NL_CR;
  return 2 * pairs >= lfs ? NL_CRLF : NL_LF;
}

NewlineKind DefaultNewlineTarget(TextCode output_code) {
  return (output_code == CODE_JIS || output_code == CODE_EUC) ? NL_LF : NL_CRLF;
}

NewlineSequence SoughtSequence(NewlineKind kind) {
  switch (kind) {
    case NL_CR:
      return {{kCr, 0}, 1};
    case NL_LF:
      return {{kLf, 0}, 1};
    default:
      return {{kCr, kLf}, 2};
  }
}

NewlineSequence ReplacementSequence(NewlineKind target) {
  switch (target) {
    case NL_CR:
      return {{kCr, 0}, 1};
    case NL_LF:
      return {{kLf, 0}, 1};
    default:
      return {{kCr, kLf}, 2};
  }
}

}  // namespace kanvo
