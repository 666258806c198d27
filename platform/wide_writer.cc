#include "platform/wide_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/cp932.h"
#include "platform/utf16.h"

namespace tv {

namespace {


char* PutUtf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// The UTF-8 form of every unit that is no surrogate: its bytes from the low
// end, their count in the top byte. One lookup a unit beats working the
// bytes out, and spares the branches between the lengths, which Japanese
// text mixes unpredictably. Made at compile time; only the pages of the
// units a text uses are ever read.
constexpr auto kUtf8Forms = [] {
  std::array<uint32_t, 0x10000> forms{};
  for (uint32_t u = 0; u < 0x10000; ++u) {
    if (u < 0x80) {
      forms[u] = 1u << 24 | u;
    } else if (u < 0x800) {
      forms[u] = 2u << 24 | (0x80 | (u & 0x3F)) << 8 | (0xC0 | u >> 6);
    } else {
      forms[u] =
          3u << 24 | (0x80 | (u & 0x3F)) << 16 | (0x80 | ((u >> 6) & 0x3F)) << 8 | (0xE0 | u >> 12);
    }
  }
  return forms;
}();

// Writes the form of u at out (room for 4 bytes needed); returns the end.
inline char* PutForm(uint32_t u, char* out) {
  uint32_t form = kUtf8Forms[u];
  uint32_t bytes = form & 0xFFFFFF;
  if constexpr (std::endian::native != std::endian::little) bytes = __builtin_bswap32(bytes);
  std::memcpy(out, &bytes, 4);  // the bytes past the form are scratch
  return out + (form >> 24);
}

// Encodes units up to the first surrogate (or all of them) at *out, which
// must have room for 3 bytes a unit and one more; returns the count taken.
// Kept apart from the object, so that its stores are known not to touch
// the object's state.
size_t EncodeBmpRun(const char16_t* units, size_t count, char** out_pos) {
  char* out = *out_pos;
  size_t i = 0;
#if defined(__SSE2__)
  // Eight units at a time: a block of ASCII is narrowed at once, a block
  // with no surrogate looked up unit by unit without a test.
  for (; count - i >= 8; i += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
    __m128i high = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
      out += 8;
      continue;
    }
    __m128i surrogate =
        _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))),
                        _mm_set1_epi16(static_cast<short>(0xD800)));
    if (_mm_movemask_epi8(surrogate) != 0) break;
    for (size_t k = i; k < i + 8; ++k) out = PutForm(units[k], out);
  }
#endif
  for (; i < count; ++i) {
    uint32_t u = units[i];
    if (u - 0xD800 < 0x800) break;  // surrogates take the careful way
    out = PutForm(u, out);
  }
  *out_pos = out;
  return i;
}

}  // namespace

WideWriter::WideWriter(ByteSink* sink) : sink_(sink) {}

// At most 6 bytes: a replacement for an unfinished pair and the unit's own.
char* WideWriter::EncodeUnit(char16_t unit, char* out) {
  if (pending_high_ != 0) {
    char16_t high = pending_high_;
    pending_high_ = 0;
    if (IsLowSurrogate(unit)) {
      return PutUtf8(0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00), out);
    }
    out = PutUtf8(0xFFFD, out);
  }
  if (IsHighSurrogate(unit)) {
    pending_high_ = unit;
  } else if (IsEscapedByte(unit)) {
    *out++ = static_cast<char>(unit - 0xDC00);
  } else if (IsLowSurrogate(unit)) {
    out = PutUtf8(0xFFFD, out);
  } else {
    out = PutUtf8(unit, out);
  }
  return out;
}

void WideWriter::EncodeRun(const char16_t* units, size_t count) {
  while (count > 0) {
    // A run of n units takes at most 3n + 3 bytes (a pair's halves share 4,
    // an unfinished pair adds one replacement).
    if (kBufferSize - used_ < 16) WriteBuffer();
    size_t take = std::min(count, (kBufferSize - used_ - 3) / 3);
    char* out = buffer_ + used_;
    size_t i = 0;
    while (i < take) {
      if (pending_high_ == 0) {
        i += EncodeBmpRun(units + i, take - i, &out);
        if (i == take) break;
      }
      out = EncodeUnit(units[i++], out);
    }
    used_ = static_cast<size_t>(out - buffer_);
    units += take;
    count -= take;
  }
}

void WideWriter::WriteBuffer() {
  if (used_ == 0) return;
  if (!failed_ && sink_->Write(buffer_, used_) != used_) failed_ = true;
  used_ = 0;
}

bool WideWriter::PutString(std::u16string_view text) {
  if (failed_) return false;
  EncodeRun(text.data(), text.size());
  return !failed_;
}

bool WideWriter::PutUnit(char16_t unit) {
  if (failed_) return false;
  if (kBufferSize - used_ < 8) WriteBuffer();
  used_ = static_cast<size_t>(EncodeUnit(unit, buffer_ + used_) - buffer_);
  return !failed_;
}

bool WideWriter::PutLine(std::u16string_view text) {
  if (failed_) return false;
  EncodeRun(text.data(), text.size());
  char16_t line_end = u'\n';
  EncodeRun(&line_end, 1);
  return !failed_;
}

bool WideWriter::Printf(std::u16string_view format, std::initializer_list<FormatArg> args) {
  return PutString(FormatWide(format, args));
}

bool WideWriter::PutNarrow(std::string_view cp932_bytes) {
  // Converted piecewise on the stack, so that it needs no heap either.
  char16_t units[256];
  size_t n = 0;
  const size_t size = cp932_bytes.size();
  for (size_t i = 0; i < size;) {
    uint8_t b = static_cast<uint8_t>(cp932_bytes[i]);
    if (!Cp932IsLeadByte(b)) {
      units[n++] = Cp932SingleByteToUnit(b);
      i += 1;
    } else if (i + 1 < size && cp932_bytes[i + 1] != 0) {
      units[n++] = Cp932PairToUnit(b, static_cast<uint8_t>(cp932_bytes[i + 1]));
      i += 2;
    } else {  // no trail byte: the default character; a zero stays itself
      units[n++] = Cp932PairToUnit(b, 0);
      i += 1;
    }
    if (n == std::size(units)) {
      EncodeRun(units, n);
      n = 0;
    }
  }
  EncodeRun(units, n);
  return !failed_;
}

void WideWriter::EndPendingPair() {
  if (pending_high_ == 0) return;
  pending_high_ = 0;
  if (kBufferSize - used_ < 8) WriteBuffer();
  used_ = static_cast<size_t>(PutUtf8(0xFFFD, buffer_ + used_) - buffer_);
}

char* WideWriter::BufferFor(size_t min, size_t* room) {
  EndPendingPair();  // an unfinished pair goes before what follows it
  if (kBufferSize - used_ < min) WriteBuffer();
  *room = kBufferSize - used_;
  return buffer_ + used_;
}

bool WideWriter::Flush() {
  EndPendingPair();
  WriteBuffer();
  if (!failed_ && !sink_->Flush()) failed_ = true;
  return !failed_;
}

}  // namespace tv
