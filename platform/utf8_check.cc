#include "platform/utf8_check.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_lanes.h"
#include "platform/utf16.h"

namespace tv {

namespace {

// Bit i of each mask tells about byte i of a 64-byte block.
struct BlockMasks {
  uint64_t high = 0, cont = 0, lead2 = 0, lead3 = 0, lead4 = 0, bad = 0;
  uint64_t e0 = 0, ed = 0, f0 = 0, f4 = 0;
  uint64_t cont_80_8f = 0, cont_90_9f = 0;  // continuation bytes by range
};

inline BlockMasks Masks(const unsigned char* p) {
  BlockMasks m;
#if defined(__SSE2__)
  for (size_t k = 0; k < 64; k += 16) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    m.high |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(b))) << k;
    if (((m.high >> k) & 0xFFFF) == 0) continue;
    m.cont |= BytesIn(b, 0x80, 0x3F) << k;
    m.lead2 |= BytesIn(b, 0xC2, 0x1D) << k;
    m.lead3 |= BytesIn(b, 0xE0, 0x0F) << k;
    m.lead4 |= BytesIn(b, 0xF0, 0x04) << k;
    m.bad |= (BytesIn(b, 0xC0, 0x01) | BytesIn(b, 0xF5, 0x0A)) << k;
    m.e0 |= BytesEqual(b, static_cast<char>(0xE0)) << k;
    m.ed |= BytesEqual(b, static_cast<char>(0xED)) << k;
    m.f0 |= BytesEqual(b, static_cast<char>(0xF0)) << k;
    m.f4 |= BytesEqual(b, static_cast<char>(0xF4)) << k;
    m.cont_80_8f |= BytesIn(b, 0x80, 0x0F) << k;
    m.cont_90_9f |= BytesIn(b, 0x90, 0x0F) << k;
  }
#else
  for (size_t i = 0; i < 64; ++i) {
    unsigned b = p[i];
    uint64_t bit = uint64_t{1} << i;
    if (b >= 0x80) m.high |= bit;
    if (b >= 0x80 && b <= 0xBF) m.cont |= bit;
    if (b >= 0xC2 && b <= 0xDF) m.lead2 |= bit;
    if (b >= 0xE0 && b <= 0xEF) m.lead3 |= bit;
    if (b >= 0xF0 && b <= 0xF4) m.lead4 |= bit;
    if (b == 0xC0 || b == 0xC1 || b >= 0xF5) m.bad |= bit;
    if (b == 0xE0) m.e0 |= bit;
    if (b == 0xED) m.ed |= bit;
    if (b == 0xF0) m.f0 |= bit;
    if (b == 0xF4) m.f4 |= bit;
    if (b >= 0x80 && b <= 0x8F) m.cont_80_8f |= bit;
    if (b >= 0x90 && b <= 0x9F) m.cont_90_9f |= bit;
  }
#endif
  return m;
}

}  // namespace

void Utf8Check::Block(const unsigned char* p) {
  BlockMasks m = Masks(p);
  if (m.high == 0 && need_ == 0) return;  // ASCII, nothing pending
  // Each lead calls for its continuation bytes right after it, and only
  // those may be continuation bytes.
  uint64_t need = need_ | m.lead2 << 1 | m.lead3 << 1 | m.lead3 << 2 | m.lead4 << 1 |
                  m.lead4 << 2 | m.lead4 << 3;
  errors_ |= (need ^ m.cont) | m.bad;
  // The second byte after E0 is A0-BF, after ED 80-9F, after F0 90-BF,
  // after F4 80-8F.
  uint64_t low_half = m.cont_80_8f | m.cont_90_9f;
  errors_ |= ((m.e0 << 1 | after_e0_) & low_half) | ((m.ed << 1 | after_ed_) & ~low_half) |
             ((m.f0 << 1 | after_f0_) & m.cont_80_8f) |
             ((m.f4 << 1 | after_f4_) & (m.cont & ~m.cont_80_8f));
  need_ = m.lead2 >> 63 | m.lead3 >> 63 | m.lead3 >> 62 | m.lead4 >> 63 | m.lead4 >> 62 |
          m.lead4 >> 61;
  after_e0_ = m.e0 >> 63;
  after_ed_ = m.ed >> 63;
  after_f0_ = m.f0 >> 63;
  after_f4_ = m.f4 >> 63;
  multi_byte_ |= (m.lead2 | m.lead3 | m.lead4) != 0;
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
    if (staged_size_ > 0) {
      // Zero bytes after the end: ASCII, and no continuation byte.
      std::memset(staged_ + staged_size_, 0, sizeof staged_ - staged_size_);
      Block(staged_);
      staged_size_ = 0;
    }
    if (need_ != 0) errors_ |= 1;  // a sequence cut off by the end
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
