// The converters between Shift_JIS and the two other Japanese byte codes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "tools/kanvo/byte_writer.h"
#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/convert.h"

namespace kanvo {

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kToTwoByte[3] = {kEsc, '$', 'B'};
constexpr uint8_t kToSingleByte[3] = {kEsc, '(', 'B'};

constexpr bool IsSjisLead(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}
constexpr bool IsHalfKatakana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

// The pair arithmetic as lookups: which way each branch of it goes depends
// on the character, so in running text the branches are poorly predicted.
// Each byte of a result depends on one input byte and one bit of the other.
struct PairTables {
  uint8_t sjis_lead[256];      // JIS row byte -> Shift_JIS lead
  uint8_t sjis_trail[2][256];  // [row byte odd][JIS cell byte] -> trail
  uint8_t jis_row[2][256];     // [trail >= 0x9F][Shift_JIS lead] -> row byte
  uint8_t jis_cell[256];       // Shift_JIS trail -> cell byte
};

constexpr PairTables BuildPairTables() {
  PairTables t{};
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      uint8_t sjis[2] = {0, 0};
      JisPairToSjis(static_cast<uint8_t>(a), static_cast<uint8_t>(b), sjis);
      t.sjis_lead[a] = sjis[0];
      t.sjis_trail[a & 1][b] = sjis[1];
      uint8_t j1 = static_cast<uint8_t>(a), j2 = static_cast<uint8_t>(b);
      SjisPairToJis(&j1, &j2);
      t.jis_row[b >= 0x9F][a] = j1;
      t.jis_cell[b] = j2;
    }
  }
  return t;
}

constexpr PairTables kPairs = BuildPairTables();

uint8_t* PutSjisOfJis(uint8_t* out, uint8_t j1, uint8_t j2) {
  out[0] = kPairs.sjis_lead[j1];
  out[1] = kPairs.sjis_trail[j1 & 1][j2];
  return out + 2;
}

// The JIS row and cell bytes of a Shift_JIS pair, each with `add` added.
uint8_t* PutJisOfSjis(uint8_t* out, uint8_t s1, uint8_t s2, uint8_t add) {
  out[0] = static_cast<uint8_t>(kPairs.jis_row[s2 >= 0x9F][s1] + add);
  out[1] = static_cast<uint8_t>(kPairs.jis_cell[s2] + add);
  return out + 2;
}

// What a byte is where a Shift_JIS character starts.
enum SjisClass : uint8_t { kSingle, kLead, kKatakana };

constexpr auto kSjisClass = [] {
  std::array<SjisClass, 256> classes{};
  for (int b = 0; b < 256; ++b) {
    uint8_t byte = static_cast<uint8_t>(b);
    classes[b] = IsSjisLead(byte) ? kLead : IsHalfKatakana(byte) ? kKatakana : kSingle;
  }
  return classes;
}();

// The JIS bytes of every half-width katakana, alone and with a following
// voiced or semi-voiced mark, derived once from HalfToFullKatakana.
struct KatakanaJis {
  uint8_t plain[256][2];
  uint8_t voiced[256][2];
  uint8_t semi_voiced[256][2];
  bool has_voiced[256];
  bool has_semi_voiced[256];
};

KatakanaJis BuildKatakanaJis() {
  KatakanaJis t{};
  for (int b = 0xA1; b <= 0xDF; ++b) {
    uint8_t* forms[3] = {t.plain[b], t.voiced[b], t.semi_voiced[b]};
    const int marks[3] = {-1, 0xDE, 0xDF};
    for (int k = 0; k < 3; ++k) {
      bool absorbed = HalfToFullKatakana(static_cast<uint8_t>(b), marks[k], forms[k]);
      SjisPairToJis(&forms[k][0], &forms[k][1]);
      if (k == 1) t.has_voiced[b] = absorbed;
      if (k == 2) t.has_semi_voiced[b] = absorbed;
    }
  }
  return t;
}

const KatakanaJis& KatakanaJisTable() {
  static const KatakanaJis table = BuildKatakanaJis();
  return table;
}

// Whether the katakana byte b at pos takes the mark after it along.
bool AbsorbsMark(const KatakanaJis& t, uint8_t b, size_t pos, const uint8_t* p, size_t n) {
  if (pos + 1 >= n) return false;
  uint8_t m = p[pos + 1];
  return (m == 0xDE && t.has_voiced[b]) || (m == 0xDF && t.has_semi_voiced[b]);
}

// Sizes of the output side, so the writer never has to grow. EUC-JP takes
// at most two bytes a byte (a half-width katakana, or a lead byte that ends
// the text): a bound, where a count would be a second pass over the text.
size_t EucSize(size_t n) { return n > SIZE_MAX / 2 ? SIZE_MAX : 2 * n; }

size_t JisSize(const uint8_t* p, size_t n, const KatakanaJis& kana) {
  size_t size = 0;
  bool two_byte = false;
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    if (IsHalfKatakana(b) || IsSjisLead(b)) {
      if (!two_byte) size += 3;
      two_byte = true;
      size += 2;
      if (IsSjisLead(b)) {
        i += 2;
      } else {
        i += AbsorbsMark(kana, b, i, p, n) ? 2 : 1;
      }
    } else {
      if (two_byte) size += 3;
      two_byte = false;
      size_t run = b < 0x80 ? AsciiRun(p + i, n - i) : 1;
      size += run;
      i += run;
    }
  }
  return size + (two_byte ? 3 : 0);
}

}  // namespace

ConvStatus EucToSjis(std::string_view input, std::string* output) {
  return EucToSjis(input, output, nullptr);
}

ConvStatus EucToSjis(std::string_view input, std::string* output, uint64_t* replaced) {
  const uint8_t* p = BytesOf(input);
  size_t n = input.size();
  uint64_t lossy = 0;
  // Never longer than the input, but for a pair cut off at the end.
  ConvStatus status = RunConverter(output, n + 2, [&](ByteWriter& w) {
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
      out = w.Room(out, 2);
      if (b == 0x8E) {
        // Half-width katakana keep their byte. A 0x8E that ends the text
        // has no byte to give and writes nothing.
        if (i + 1 < n) *out++ = p[i + 1];
        i += 2;
      } else if (b == 0x8F) {
        // JIS X 0212 has no Shift_JIS form.
        std::memcpy(out, kReplacementMark, 2);
        out += 2;
        ++lossy;
        i += 3;
      } else if (b <= 0xA0) {
        *out++ = b;
        i += 1;
      } else {
        out = PutSjisOfJis(out, static_cast<uint8_t>(b - 0x80),
                           static_cast<uint8_t>(ByteOrZero(p, n, i + 1) - 0x80));
        i += 2;
      }
    }
    return out;
  });
  if (status == CONV_OK && replaced != nullptr) *replaced += lossy;
  return status;
}

ConvStatus JisToSjis(std::string_view input, std::string* output) {
  EscapeClass mode = ESC_SINGLE_BYTE;
  size_t taken;
  return JisPieceToSjis(input, true, &mode, &taken, output);
}

ConvStatus JisPieceToSjis(std::string_view input, bool last, EscapeClass* mode_io, size_t* taken,
                          std::string* output) {
  const uint8_t* p = BytesOf(input);
  size_t n = input.size();
  EscapeClass mode = *mode_io;
  size_t pos = 0;
  ConvStatus status = RunConverter(output, n + 2, [&](ByteWriter& w) {
    uint8_t* out = w.start();
    while (pos < n) {
      if (p[pos] == kEsc) {
        // The longest escape has six bytes: a shorter rest may be cut off.
        if (!last && n - pos < 6) break;
        Escape escape = ParseEscape(input.substr(pos));
        // An unrecognised escape loses its ESC; what follows is plain text.
        mode = escape.kind == ESC_UNRECOGNISED ? ESC_SINGLE_BYTE : escape.kind;
        pos += escape.length;
        continue;
      }
      if (mode == ESC_TWO_BYTE) {
        // Every byte is half of a pair (the second half may even be an ESC).
        // An odd last byte pairs with a zero in the last piece, and waits
        // for its second half in any other.
        const size_t pairs_end = last ? n : n - 1;
        while (pos < pairs_end && p[pos] != kEsc) {
          out = PutSjisOfJis(w.Room(out, 2), p[pos], ByteOrZero(p, n, pos + 1));
          pos += 2;
        }
        if (pos < n && p[pos] != kEsc) break;  // a first half
        continue;
      }
      // The bytes up to the next ESC all belong to the current set.
      const void* esc = std::memchr(p + pos, kEsc, n - pos);
      size_t stop = esc ? static_cast<size_t>(static_cast<const uint8_t*>(esc) - p) : n;
      if (mode == ESC_KATAKANA) {
        out = w.Room(out, stop - pos);
        for (; pos < stop; ++pos) *out++ = p[pos] | 0x80;
      } else {
        out = w.Write(out, p + pos, stop - pos);
        pos = stop;
      }
    }
    return out;
  });
  if (status == CONV_OK) {
    *mode_io = mode;
    *taken = std::min(pos, n);
  }
  return status;
}

ConvStatus SjisToEuc(std::string_view input, std::string* output) {
  const uint8_t* p = BytesOf(input);
  size_t n = input.size();
  return RunConverter(output, EucSize(n), [&](ByteWriter& w) {
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
      out = w.Room(out, 2);
      SjisClass kind = kSjisClass[b];
      if (kind == kLead) {
        out = PutJisOfSjis(out, b, ByteOrZero(p, n, i + 1), 0x80);
        i += 2;
      } else if (kind == kKatakana) {
        *out++ = 0x8E;
        *out++ = b;
        i += 1;
      } else {
        // 0x80, 0xA0, 0xF0-0xFF: outside the grammar, copied.
        *out++ = b;
        i += 1;
      }
    }
    return out;
  });
}

ConvStatus SjisToJis(std::string_view input, std::string* output) {
  const uint8_t* p = BytesOf(input);
  size_t n = input.size();
  const KatakanaJis& kana = KatakanaJisTable();
  return RunConverter(output, JisSize(p, n, kana), [&](ByteWriter& w) {
    uint8_t* out = w.start();
    bool two_byte = false;
    size_t pos = 0;
    while (pos < n) {
      uint8_t b = p[pos];
      SjisClass kind = kSjisClass[b];
      if (kind != kSingle) {
        out = w.Room(out, 5);
        if (!two_byte) {
          std::memcpy(out, kToTwoByte, 3);
          out += 3;
          two_byte = true;
        }
        if (kind == kKatakana) {
          // Half-width katakana become full-width, taking a voiced or
          // semi-voiced mark with them where one fits.
          const uint8_t* full = kana.plain[b];
          size_t used = 1;
          if (AbsorbsMark(kana, b, pos, p, n)) {
            full = p[pos + 1] == 0xDE ? kana.voiced[b] : kana.semi_voiced[b];
            used = 2;
          }
          *out++ = full[0];
          *out++ = full[1];
          pos += used;
        } else {
          out = PutJisOfSjis(out, b, ByteOrZero(p, n, pos + 1), 0);
          pos += 2;
        }
        continue;
      }
      // A single-byte character: back to the single-byte set first, so that
      // every line break after two-byte text is preceded by ESC ( B.
      if (two_byte) {
        out = w.Write(out, kToSingleByte, 3);
        two_byte = false;
      }
      size_t run = b < 0x80 ? AsciiRun(p + pos, n - pos) : 1;
      out = w.Write(out, p + pos, run);
      pos += run;
    }
    if (two_byte) out = w.Write(out, kToSingleByte, 3);
    return out;
  });
}

}  // namespace kanvo
