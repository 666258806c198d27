// The converters between Shift_JIS and UTF-8 / UTF-16. Character mapping is
// code page 932's; the tables below are derived once from the per-character
// conversions, so the loops do one lookup per character.
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/cp932.h"
#include "platform/utf16.h"
#include "tools/kanvo/byte_writer.h"
#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/detect.h"

namespace kanvo {

namespace {

// Shift_JIS of every UTF-16 unit, as one-unit code page conversions give
// it, in the order the bytes are written: a byte b as b, a pair as
// lead | trail << 8. A trail byte is never zero, so the value tells its
// own length.
struct UnitTable {
  uint16_t bytes[0x10000];
  uint8_t lossy[0x10000];  // 1 where the bytes read back as another unit
};

std::unique_ptr<UnitTable> BuildUnitTable() {
  auto t = std::make_unique<UnitTable>();
  for (uint32_t unit = 0; unit < 0x10000; ++unit) {
    uint8_t bytes[2];
    int count = tv::Cp932UnitToBytes(static_cast<char16_t>(unit), bytes);
    t->bytes[unit] = count == 2 ? static_cast<uint16_t>(bytes[0] | bytes[1] << 8) : bytes[0];
    char16_t back = count == 2 ? tv::Cp932PairToUnit(bytes[0], bytes[1])
                               : tv::Cp932SingleByteToUnit(bytes[0]);
    t->lossy[unit] = back != unit;
  }
  return t;
}

const UnitTable& Units() {
  static const std::unique_ptr<UnitTable> table = BuildUnitTable();
  return *table;
}

// UTF-8 of the Shift_JIS characters SjisToUtf8 converts: the half-width
// katakana alone, and every lead byte with every trail byte (a zero trail
// meaning the lead alone). Entry: the bytes from the low end, count on top.
struct Utf8Table {
  uint32_t single[256];
  uint32_t pair[256][256];  // rows only for lead bytes are filled
};

uint32_t PackUtf8(uint8_t lead, uint8_t trail) {
  uint8_t bytes[3] = {0, 0, 0};
  int count = SjisCharToUtf8(lead, trail, bytes);
  return static_cast<uint32_t>(count) << 24 | bytes[2] << 16 | bytes[1] << 8 | bytes[0];
}

// Lead bytes as code page 932 has them: 0xF0-0xFC start the user-defined
// and the IBM extension rows, whose characters (such as U+9AD9, FB FC) come
// from Unicode input too and must not reach UTF-8 as raw bytes.
bool IsSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsHalfKatakana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

std::unique_ptr<Utf8Table> BuildUtf8Table() {
  auto t = std::make_unique<Utf8Table>();
  std::memset(t.get(), 0, sizeof *t);
  for (int b = 0xA1; b <= 0xDF; ++b) t->single[b] = PackUtf8(static_cast<uint8_t>(b), 0);
  for (int lead = 0x80; lead <= 0xFC; ++lead) {
    if (!IsSjisLead(static_cast<uint8_t>(lead))) continue;
    for (int trail = 0; trail < 256; ++trail) {
      t->pair[lead][trail] = PackUtf8(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
    }
  }
  return t;
}

const Utf8Table& Utf8Forms() {
  static const std::unique_ptr<Utf8Table> table = BuildUtf8Table();
  return *table;
}

// Whether the three bytes at p, which make `unit`, are a three-byte form
// RFC 3629 allows: continuation bytes 80-BF, no overlong form, no surrogate.
inline bool IsWholeThreeByteForm(const uint8_t* p, char16_t unit) {
  return ((p[1] & 0xC0) == 0x80) & ((p[2] & 0xC0) == 0x80) & (unit >= 0x800) &
         ((unit & 0xF800) != 0xD800);
}

// Writes the packed UTF-8 bytes; the room for three must be made.
uint8_t* PutPacked(uint8_t* out, uint32_t packed) {
  out[0] = static_cast<uint8_t>(packed);
  out[1] = static_cast<uint8_t>(packed >> 8);
  out[2] = static_cast<uint8_t>(packed >> 16);
  return out + (packed >> 24);
}

// Writes the Shift_JIS bytes of a UnitTable entry without a branch
// (Japanese text mixes bytes and pairs unpredictably), storing two bytes in
// either case: the room for them must be made.
inline uint8_t* PutSjis(uint8_t* out, uint16_t bytes) {
  out[0] = static_cast<uint8_t>(bytes);
  out[1] = static_cast<uint8_t>(bytes >> 8);
  return out + 1 + (bytes > 0xFF);
}

// The little-endian unit at index i.
inline char16_t UnitAt(const uint8_t* p, size_t i) {
  uint16_t unit;
  std::memcpy(&unit, p + 2 * i, 2);
  if constexpr (std::endian::native != std::endian::little) unit = __builtin_bswap16(unit);
  return unit;
}

// The UTF-8 size SjisToUtf8 may need: three bytes a byte (a half-width
// katakana, or a lead byte that ends the text). A bound, not a count: the
// room is written in place, and a count would be a second pass over the
// text.
// Beyond any size, an allocation that fails (as CONV_ERR_NOMEM).
size_t Utf8SizeBound(size_t n) { return n > SIZE_MAX / 3 ? SIZE_MAX : 3 * n; }

}  // namespace

ConvStatus Utf8ToSjis(std::string_view input, std::string* output) {
  return Utf8ToSjis(input, output, nullptr);
}

ConvStatus Utf8ToSjis(std::string_view input, std::string* output, uint64_t* replaced) {
  const uint8_t* p = BytesOf(input);
  size_t n = input.size();
  uint64_t lossy = 0;
  // At most one Shift_JIS byte per UTF-8 byte.
  ConvStatus status = RunConverter(output, n + 2, [&](ByteWriter& w) {
    const UnitTable& units = Units();
    uint8_t* out = w.start();
    size_t pos = 0;
    while (pos < n) {
      uint8_t b = p[pos];
      if (b < 0x80) {
        size_t run = AsciiRun(p + pos, n - pos);
        out = w.Write(out, p + pos, run);
        pos += run;
        continue;
      }
      out = w.Room(out, 2);
      // Kana and kanji come in runs of three-byte sequences. Each writes at
      // most two bytes for the three it reads, so the room made for the
      // whole text holds the run without a check a character.
      while (n - pos >= 3 && (p[pos] & 0xF0) == 0xE0) {
        char16_t unit = static_cast<char16_t>((p[pos] & 0x0F) << 12 | (p[pos + 1] & 0x3F) << 6 |
                                              (p[pos + 2] & 0x3F));
        if (!IsWholeThreeByteForm(p + pos, unit)) break;
        out = PutSjis(out, units.bytes[unit]);
        lossy += units.lossy[unit];
        pos += 3;
      }
      if (pos >= n || p[pos] < 0x80) continue;
      char32_t cp;
      size_t length = tv::DecodeUtf8Sequence(p + pos, n - pos, &cp);
      if (length == 0) {
        // Not UTF-8 (an overlong form, a surrogate, a sequence cut off,
        // a byte that starts none): the byte is dropped and the next one
        // read afresh, so no ASCII byte is taken along.
        pos += 1;
      } else if (cp < 0x10000) {
        out = PutSjis(out, units.bytes[cp]);
        lossy += units.lossy[cp];
        pos += length;
      } else {
        // Beyond the 16-bit range: no Shift_JIS form.
        std::memcpy(out, kReplacementMark, 2);
        out += 2;
        ++lossy;
        pos += length;
      }
    }
    return out;
  });
  if (status == CONV_OK && replaced != nullptr) *replaced += lossy;
  return status;
}

ConvStatus Utf16ToSjis(std::string_view input, std::string* output) {
  return Utf16ToSjis(input, output, nullptr);
}

ConvStatus Utf16ToSjis(std::string_view input, std::string* output, uint64_t* replaced) {
  const uint8_t* p = BytesOf(input);
  size_t units = input.size() / 2;  // an odd last byte is ignored
  uint64_t lossy = 0;
  // One character lost, not two, where a surrogate pair has no form.
  auto count = [&](const UnitTable& table, size_t k) {
    char16_t unit = UnitAt(p, k);
    lossy += table.lossy[unit];
    if (k > 0 && (unit & 0xFC00) == 0xDC00 && (UnitAt(p, k - 1) & 0xFC00) == 0xD800) --lossy;
  };
  // Two bytes a unit at most: the room is all there from the start, and a
  // unit may store two bytes where it needs one (the next one overwrites
  // the second).
  ConvStatus status = RunConverter(output, units * 2, [&](ByteWriter& w) {
    const UnitTable& table = Units();
    uint8_t* out = w.start();
    size_t i = 0;
#if defined(__SSE2__)
    // Code page 932 keeps ASCII as it is: eight such units at a time.
    for (; i + 8 <= units; i += 8) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
      __m128i high = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
        out += 8;
        continue;
      }
      for (size_t k = i; k < i + 8; ++k) {
        out = PutSjis(out, table.bytes[UnitAt(p, k)]);
        count(table, k);
      }
    }
#endif
    for (; i < units; ++i) {
      out = PutSjis(out, table.bytes[UnitAt(p, i)]);
      count(table, i);
    }
    return out;
  });
  if (status == CONV_OK && replaced != nullptr) *replaced += lossy;
  return status;
}

ConvStatus SjisToUtf8(std::string_view input, std::string* output) {
  const uint8_t* p = BytesOf(input);
  size_t n = input.size();
  return RunConverter(output, Utf8SizeBound(n), [&](ByteWriter& w) {
    const Utf8Table& forms = Utf8Forms();  // built on first use; may throw
    uint8_t* out = w.start();
    size_t i = 0;
    while (i < n) {
      uint8_t b = p[i];
      if (b < 0x80) {
        size_t run = AsciiRun(p + i, n - i);
        out = w.Write(out, p + i, run);
        i += run;
        continue;
      }
      out = w.Room(out, 3);
      if (IsSjisLead(b)) {
        // A lead byte at the end is converted alone.
        out = PutPacked(out, forms.pair[b][ByteOrZero(p, n, i + 1)]);
        i += 2;
      } else if (IsHalfKatakana(b)) {
        out = PutPacked(out, forms.single[b]);
        i += 1;
      } else {
        // 0x80, 0xA0, 0xFD-0xFF: copied, as the other output converters do.
        *out++ = b;
        i += 1;
      }
    }
    return out;
  });
}

}  // namespace kanvo
