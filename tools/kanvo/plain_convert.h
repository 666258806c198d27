// The plain method: converters and detection done byte by byte on a copy
// followed by zero bytes (what the file reader leaves after the text),
// calling the per-character building blocks for every character. The fast
// loops must give exactly its bytes while reading nothing but the input
// itself; the property tests and the fuzz targets check that.
#ifndef TV_TOOLS_KANVO_PLAIN_CONVERT_H_
#define TV_TOOLS_KANVO_PLAIN_CONVERT_H_

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/cp932.h"
#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/detect.h"

namespace kanvo {
namespace plain {

using Converter = ConvStatus (*)(std::string_view, std::string*);

inline constexpr uint8_t kEsc = 0x1B;

inline bool IsSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF); }
inline bool IsHalfKatakana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

// The input as the plain method sees it: followed by zeros.
class Plain {
 public:
  explicit Plain(std::string_view input) : padded_(input), n_(input.size()) {
    padded_.append(8, '\0');
  }
  size_t n() const { return n_; }
  uint8_t at(size_t i) const { return static_cast<uint8_t>(padded_[i]); }
  std::string_view from(size_t i) const { return std::string_view(padded_).substr(i); }
  void Put(const uint8_t* bytes, size_t count) {
    if (!AppendBytes(&out_, std::string_view(reinterpret_cast<const char*>(bytes), count))) {
      std::abort();  // a reference has no use for a partial answer
    }
  }
  void Put(uint8_t b) { Put(&b, 1); }
  void Put(uint8_t a, uint8_t b) {
    uint8_t pair[2] = {a, b};
    Put(pair, 2);
  }
  const std::string& out() const { return out_; }

 private:
  std::string padded_;
  size_t n_;
  std::string out_;
};

inline std::string PlainEucToSjis(std::string_view input) {
  Plain in(input);
  for (size_t i = 0; i < in.n();) {
    uint8_t b = in.at(i);
    if (b == 0x8E) {
      if (i + 1 < in.n()) in.Put(in.at(i + 1));
      i += 2;
    } else if (b == 0x8F) {
      in.Put(0x81, 0xA1);
      i += 3;
    } else if (b <= 0xA0) {
      in.Put(b);
      i += 1;
    } else {
      uint8_t s[2];
      JisPairToSjis(static_cast<uint8_t>(b - 0x80), static_cast<uint8_t>(in.at(i + 1) - 0x80), s);
      in.Put(s, 2);
      i += 2;
    }
  }
  return in.out();
}

inline std::string PlainJisToSjis(std::string_view input) {
  Plain in(input);
  EscapeClass mode = ESC_SINGLE_BYTE;
  for (size_t pos = 0; pos < in.n();) {
    uint8_t b = in.at(pos);
    if (b == kEsc) {
      Escape escape = ParseEscape(in.from(pos));
      mode = escape.kind == ESC_UNRECOGNISED ? ESC_SINGLE_BYTE : escape.kind;
      pos += escape.kind == ESC_UNRECOGNISED ? 1 : escape.length;
    } else if (mode == ESC_TWO_BYTE) {
      uint8_t s[2];
      JisPairToSjis(b, in.at(pos + 1), s);
      in.Put(s, 2);
      pos += 2;
    } else {
      in.Put(mode == ESC_KATAKANA ? b | 0x80 : b);
      pos += 1;
    }
  }
  return in.out();
}

inline std::string PlainSjisToEuc(std::string_view input) {
  Plain in(input);
  for (size_t i = 0; i < in.n();) {
    uint8_t b = in.at(i);
    if (IsHalfKatakana(b)) {
      in.Put(0x8E, b);
      i += 1;
    } else if (IsSjisLead(b)) {
      uint8_t j1 = b, j2 = in.at(i + 1);
      SjisPairToJis(&j1, &j2);
      in.Put(static_cast<uint8_t>(j1 + 0x80), static_cast<uint8_t>(j2 + 0x80));
      i += 2;
    } else {
      in.Put(b);
      i += 1;
    }
  }
  return in.out();
}

inline std::string PlainSjisToJis(std::string_view input) {
  static const uint8_t kToTwoByte[3] = {kEsc, '$', 'B'};
  static const uint8_t kToSingleByte[3] = {kEsc, '(', 'B'};
  Plain in(input);
  bool two_byte = false;
  for (size_t pos = 0; pos < in.n();) {
    uint8_t b = in.at(pos);
    if (IsHalfKatakana(b) || IsSjisLead(b)) {
      if (!two_byte) in.Put(kToTwoByte, 3);
      two_byte = true;
      uint8_t full[2] = {b, in.at(pos + 1)};
      if (IsHalfKatakana(b)) {
        uint8_t next = in.at(pos + 1);
        bool absorbed = HalfToFullKatakana(b, next == 0xDE || next == 0xDF ? next : -1, full);
        pos += absorbed ? 2 : 1;
      } else {
        pos += 2;
      }
      SjisPairToJis(&full[0], &full[1]);
      in.Put(full, 2);
    } else {
      if (two_byte) in.Put(kToSingleByte, 3);
      two_byte = false;
      in.Put(b);
      pos += 1;
    }
  }
  if (two_byte) in.Put(kToSingleByte, 3);
  return in.out();
}

// RFC 3629's table of well-formed UTF-8: the lead bytes, the bytes allowed
// second, and the length; every byte after the second is 80-BF.
struct Utf8Form {
  uint8_t lead_low, lead_high, second_low, second_high;
  size_t length;
};
inline constexpr Utf8Form kRfc3629[] = {
    {0x00, 0x7F, 0x00, 0x00, 1}, {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
    {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
    {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
};

// The length of the well-formed character that `text` starts with, 0 when
// it starts none; *cp gets its value.
inline size_t Rfc3629Length(std::string_view text, char32_t* cp) {
  if (text.empty()) return 0;
  auto at = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  for (const Utf8Form& form : kRfc3629) {
    if (at(0) < form.lead_low || at(0) > form.lead_high) continue;
    if (text.size() < form.length) return 0;
    if (form.length > 1 && (at(1) < form.second_low || at(1) > form.second_high)) return 0;
    char32_t value = at(0) & (0xFF >> (form.length == 1 ? 1 : form.length + 1));
    for (size_t k = 1; k < form.length; ++k) {
      if (at(k) < 0x80 || at(k) > 0xBF) return 0;
      value = value << 6 | (at(k) & 0x3F);
    }
    *cp = value;
    return form.length;
  }
  return 0;
}

inline std::string PlainUtf8ToSjis(std::string_view input) {
  Plain in(input);
  for (size_t pos = 0; pos < in.n();) {
    char32_t cp;
    size_t length = Rfc3629Length(input.substr(pos), &cp);
    if (length == 0) {
      pos += 1;  // a byte that starts no character is dropped
      continue;
    }
    uint8_t s[2] = {0x81, 0xA1};
    int count = length == 1 ? (s[0] = static_cast<uint8_t>(cp), 1)
                : length <= 3 ? Utf8SequenceToSjis(input.substr(pos, length), s)
                              : 0;
    in.Put(s, count == 0 ? 2 : static_cast<size_t>(count));
    pos += length;
  }
  return in.out();
}

inline std::string PlainUtf16ToSjis(std::string_view input) {
  std::u16string units;
  for (size_t i = 0; i + 1 < input.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<uint8_t>(input[i]) |
                                          static_cast<uint8_t>(input[i + 1]) << 8));
  }
  return tv::Utf16ToCp932(units);
}

inline std::string PlainSjisToUtf8(std::string_view input) {
  Plain in(input);
  for (size_t i = 0; i < in.n();) {
    uint8_t b = in.at(i);
    uint8_t utf8[3];
    if (IsSjisLead(b) || (b >= 0xF0 && b <= 0xFC)) {
      in.Put(utf8, static_cast<size_t>(SjisCharToUtf8(b, in.at(i + 1), utf8)));
      i += 2;
    } else if (IsHalfKatakana(b)) {
      in.Put(utf8, static_cast<size_t>(SjisCharToUtf8(b, 0, utf8)));
      i += 1;
    } else {
      in.Put(b);
      i += 1;
    }
  }
  return in.out();
}

// Detection as a fixed order of tests that look past a lead byte into the
// zeros after the text without comparing against the length.
inline TextCode PlainDetect(std::string_view input) {
  if (input.empty()) return CODE_INVALID;
  Plain in(input);
  size_t n = in.n();
  auto text_byte = [](uint8_t b) { return b == 0x09 || b == 0x0A || b == 0x0D || (b >= 0x20 && b <= 0x7E); };
  auto utf8 = [&](bool* seven) {
    *seven = true;
    for (size_t p = 0; p < n;) {
      uint8_t b = in.at(p);
      if (b == 0x7F || text_byte(b)) {
        ++p;
        continue;
      }
      if (b < 0x20) return false;
      char32_t cp;
      size_t len = Rfc3629Length(input.substr(p), &cp);
      if (len == 0) return false;
      *seven = false;
      p += len;
    }
    return true;
  };
  auto euc = [&] {
    bool trail = false;
    for (size_t i = 0; i < n; ++i) {
      uint8_t b = in.at(i);
      if (trail) {
        if (b < 0xA1 || b > 0xFE) return false;
        trail = false;
      } else if (b >= 0xA1 && b <= 0xFE) {
        trail = true;
      } else if (b == 0x8E) {
        if (in.at(i + 1) < 0xA1 || in.at(i + 1) > 0xDF) return false;
        i += 1;
      } else if (b == 0x8F) {
        for (int k = 1; k <= 2; ++k) {
          if (in.at(i + k) < 0xA1 || in.at(i + k) > 0xFE) return false;
        }
        i += 2;
      } else if (!text_byte(b)) {
        return false;
      }
    }
    return true;
  };
  bool seven = true;
  if (n >= 3 && in.at(0) == 0xEF && in.at(1) == 0xBB && in.at(2) == 0xBF) {
    if (utf8(&seven)) return CODE_UTF8;
    return euc() ? CODE_EUC : CODE_INVALID;
  }
  if (utf8(&seven)) return seven ? CODE_ASCII : CODE_UTF8N;
  for (size_t i = 0; i < n; ++i) {
    if (in.at(i) == 0) return CODE_UNICODE;
    if (in.at(i) == kEsc && (in.at(i + 1) == '$' || in.at(i + 1) == '(')) return CODE_JIS;
  }
  bool trail = false;
  bool sjis = true;
  for (size_t i = 0; i < n && sjis; ++i) {
    uint8_t b = in.at(i);
    if (trail) {
      sjis = (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
      trail = false;
    } else if (IsSjisLead(b)) {
      trail = true;
    } else {
      sjis = IsHalfKatakana(b) || text_byte(b);
    }
  }
  if (sjis) return CODE_SJIS;
  return euc() ? CODE_EUC : CODE_INVALID;
}

// A converter and its plain counterpart.
struct Pair {
  const char* name;
  Converter fast;
  std::string (*plain)(std::string_view);
};

inline const Pair kPairs[] = {
    {"EucToSjis", EucToSjis, PlainEucToSjis},   {"JisToSjis", JisToSjis, PlainJisToSjis},
    {"SjisToEuc", SjisToEuc, PlainSjisToEuc},   {"SjisToJis", SjisToJis, PlainSjisToJis},
    {"Utf8ToSjis", Utf8ToSjis, PlainUtf8ToSjis}, {"Utf16ToSjis", Utf16ToSjis, PlainUtf16ToSjis},
    {"SjisToUtf8", SjisToUtf8, PlainSjisToUtf8},
};

}  // namespace plain
}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_PLAIN_CONVERT_H_
