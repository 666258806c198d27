// The converters and detection checked against the plain method over many
// generated inputs, well-formed and malformed. The plain method works
// byte by byte on a copy followed by zero bytes (what the file reader
// leaves after the text), calls the per-character building blocks for every
// character and grows its output with AppendBytes: the fast loops must give
// exactly its bytes while reading nothing but the input itself.
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/detect.h"

namespace kanvo {
namespace {

using Converter = ConvStatus (*)(std::string_view, std::string*);

constexpr uint8_t kEsc = 0x1B;

bool IsSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF); }
bool IsHalfKatakana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

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
    ASSERT_TRUE(AppendBytes(&out_, std::string_view(reinterpret_cast<const char*>(bytes), count)));
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

std::string PlainEucToSjis(std::string_view input) {
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

std::string PlainJisToSjis(std::string_view input) {
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

std::string PlainSjisToEuc(std::string_view input) {
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

std::string PlainSjisToJis(std::string_view input) {
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

std::string PlainUtf8ToSjis(std::string_view input) {
  Plain in(input);
  for (size_t pos = 0; pos < in.n();) {
    uint8_t b = in.at(pos);
    if (b < 0x80) {
      in.Put(b);
      pos += 1;
      continue;
    }
    int length = Utf8LeadLength(b);
    if (length < 0) {
      pos += 1;
      continue;
    }
    uint8_t s[2] = {0x81, 0xA1};
    int count = length <= 3 ? Utf8SequenceToSjis(in.from(pos), s) : 0;
    in.Put(s, count == 0 ? 2 : static_cast<size_t>(count));
    pos += static_cast<size_t>(length);
  }
  return in.out();
}

std::string PlainUtf16ToSjis(std::string_view input) {
  std::u16string units;
  for (size_t i = 0; i + 1 < input.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<uint8_t>(input[i]) |
                                          static_cast<uint8_t>(input[i + 1]) << 8));
  }
  return tv::Utf16ToCp932(units);
}

std::string PlainSjisToUtf8(std::string_view input) {
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
TextCode PlainDetect(std::string_view input) {
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
      int len = Utf8LeadLength(b);
      if (len < 0) return false;
      for (int k = 1; k < len; ++k) {
        if ((in.at(p + k) & 0xC0) != 0x80) return false;
      }
      *seven = false;
      p += static_cast<size_t>(len);
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

// Inputs made of pieces of every code, cut anywhere.
class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  uint8_t Byte(int low, int high) { return static_cast<uint8_t>(Int(low, high)); }

  std::string Mixed() {
    std::string s;
    int pieces = Int(0, 60);
    for (int k = 0; k < pieces; ++k) AddPiece(&s, Int(0, 11));
    if (!s.empty() && Int(0, 3) == 0) s.resize(static_cast<size_t>(Int(0, static_cast<int>(s.size()))));
    return s;
  }

  // A Shift_JIS character with two bytes, a lead 0x81-0x9F or 0xE0-0xEF
  // and a trail byte of the grammar.
  void AddSjisPair(std::string* s) {
    uint8_t lead = Int(0, 1) ? Byte(0x81, 0x9F) : Byte(0xE0, 0xEF);
    uint8_t trail = Byte(0x40, 0xFB);
    if (trail >= 0x7F) ++trail;
    s->push_back(static_cast<char>(lead));
    s->push_back(static_cast<char>(trail));
  }

 private:
  void AddPiece(std::string* s, int kind) {
    static const char* const kEscapes[] = {
        "\x1B$@", "\x1B$B", "\x1B$(D", "\x1B$(O", "\x1B$(P", "\x1B&@\x1B$B", "\x1B(I", "\x1B(B",
        "\x1B(J", "\x1B(H", "\x1B$", "\x1B(", "\x1B&@\x1B", "\x1B", "\x1Bx", "\x1B$(",
    };
    switch (kind) {
      case 0: {  // text
        static const char kText[] = "abc XYZ 019 \t\r\n\r\n~\\";
        for (int k = Int(1, 12); k > 0; --k) s->push_back(kText[Int(0, sizeof kText - 2)]);
        break;
      }
      case 1:
        AddSjisPair(s);
        break;
      case 2:  // half-width katakana, often with a mark after it
        s->push_back(static_cast<char>(Byte(0xA1, 0xDF)));
        if (Int(0, 2) == 0) s->push_back(static_cast<char>(Int(0, 1) ? 0xDE : 0xDF));
        break;
      case 3:
        s->push_back(static_cast<char>(Byte(0, 255)));
        break;
      case 4:
        s->append(kEscapes[Int(0, std::size(kEscapes) - 1)]);
        break;
      case 5:  // EUC-JP
        switch (Int(0, 2)) {
          case 0: s->push_back(static_cast<char>(Byte(0xA1, 0xFE))); s->push_back(static_cast<char>(Byte(0xA1, 0xFE))); break;
          case 1: s->push_back('\x8E'); s->push_back(static_cast<char>(Byte(0xA1, 0xDF))); break;
          default: s->push_back('\x8F'); s->push_back(static_cast<char>(Byte(0xA1, 0xFE))); s->push_back(static_cast<char>(Byte(0xA1, 0xFE))); break;
        }
        break;
      case 6: {  // UTF-8 of any code point, or of a 5- or 6-byte form
        static const int kTops[] = {0x7F, 0x7FF, 0xFFFF, 0x10FFFF, 0x3FFFFFF, 0x7FFFFFFF};
        AppendUtf8(s, static_cast<uint32_t>(Int(0, kTops[Int(0, 5)])));
        break;
      }
      case 7:
        s->push_back('\0');
        break;
      case 8:  // a UTF-16 unit
        s->push_back(static_cast<char>(Byte(0, 255)));
        s->push_back(static_cast<char>(Byte(0, 0x9F)));
        break;
      case 9:  // JIS two-byte text in a set
        s->append(Int(0, 1) ? "\x1B$B" : "\x1B(I");
        for (int k = Int(1, 6); k > 0; --k) s->push_back(static_cast<char>(Byte(0x21, 0x7E)));
        break;
      case 10:
        s->append("\xEF\xBB\xBF");
        break;
      default:
        s->push_back(static_cast<char>(Byte(0x80, 0xFF)));
        break;
    }
  }

  static void AppendUtf8(std::string* s, uint32_t c) {
    if (c < 0x80) {
      s->push_back(static_cast<char>(c));
      return;
    }
    int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : c < 0x200000 ? 4 : c < 0x4000000 ? 5 : 6;
    static const uint8_t kLeadMark[7] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    s->push_back(static_cast<char>(kLeadMark[length] | (c >> (6 * (length - 1)))));
    for (int k = length - 2; k >= 0; --k) s->push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
  }

  std::mt19937 rng_;
};

struct Pair {
  const char* name;
  Converter fast;
  std::string (*plain)(std::string_view);
};

const Pair kPairs[] = {
    {"EucToSjis", EucToSjis, PlainEucToSjis},   {"JisToSjis", JisToSjis, PlainJisToSjis},
    {"SjisToEuc", SjisToEuc, PlainSjisToEuc},   {"SjisToJis", SjisToJis, PlainSjisToJis},
    {"Utf8ToSjis", Utf8ToSjis, PlainUtf8ToSjis}, {"Utf16ToSjis", Utf16ToSjis, PlainUtf16ToSjis},
    {"SjisToUtf8", SjisToUtf8, PlainSjisToUtf8},
};

// The fast converter on exactly the input bytes (an exact-size heap block,
// so the sanitizer sees any look past the end) and on the input followed by
// two zeros as the file reader leaves it: both must give the plain result.
void ExpectSameAsPlain(const Pair& pair, const std::string& input) {
  std::string expected = pair.plain(input);
  std::unique_ptr<char[]> exact(new char[input.size()]);
  if (!input.empty()) std::memcpy(exact.get(), input.data(), input.size());
  std::string output;
  ASSERT_EQ(pair.fast(std::string_view(exact.get(), input.size()), &output), CONV_OK);
  ASSERT_EQ(output, expected) << pair.name << " on " << testing::PrintToString(input);
  ASSERT_EQ(output.c_str()[output.size()], '\0');

  std::string padded = input + std::string(2, '\0');
  std::string again = "previous text";
  ASSERT_EQ(pair.fast(std::string_view(padded.data(), input.size()), &again), CONV_OK);
  ASSERT_EQ(again, expected) << pair.name;
}

TEST(ConvertPropertyTest, FastLoopsMatchThePlainMethodOnGeneratedInput) {
  Generator gen(20240611);
  for (int round = 0; round < 4000; ++round) {
    std::string input = gen.Mixed();
    for (const Pair& pair : kPairs) {
      ExpectSameAsPlain(pair, input);
      if (HasFatalFailure()) return;
    }
    std::unique_ptr<char[]> exact(new char[input.size()]);
    if (!input.empty()) std::memcpy(exact.get(), input.data(), input.size());
    ASSERT_EQ(DetectInputCode(std::string_view(exact.get(), input.size())), PlainDetect(input))
        << testing::PrintToString(input);
  }
}

TEST(ConvertPropertyTest, EveryShortInputMatchesThePlainMethod) {
  // Every input of one byte, and every two-byte input, catch the end cases.
  for (int a = 0; a < 256; ++a) {
    for (int b = -1; b < 256; ++b) {
      std::string input(1, static_cast<char>(a));
      if (b >= 0) input.push_back(static_cast<char>(b));
      for (const Pair& pair : kPairs) {
        ExpectSameAsPlain(pair, input);
        if (HasFatalFailure()) return;
      }
      ASSERT_EQ(DetectInputCode(input), PlainDetect(input)) << testing::PrintToString(input);
    }
  }
}

TEST(ConvertPropertyTest, EveryCharacterMatchesThePlainMethod) {
  std::string sjis, utf16, utf8;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 1; trail < 256; ++trail) {
      sjis.push_back(static_cast<char>(lead));
      sjis.push_back(static_cast<char>(trail));
    }
  }
  for (uint32_t unit = 0; unit < 0x10000; ++unit) {
    utf16.push_back(static_cast<char>(unit & 0xFF));
    utf16.push_back(static_cast<char>(unit >> 8));
    if (unit < 0x80) continue;
    if (unit < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | unit >> 6));
    } else {
      utf8.push_back(static_cast<char>(0xE0 | unit >> 12));
      utf8.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
    }
    utf8.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  }
  for (const Pair& pair : kPairs) {
    for (const std::string* input : {&sjis, &utf16, &utf8}) {
      ExpectSameAsPlain(pair, *input);
      if (HasFatalFailure()) return;
    }
  }
}

// Shift_JIS text of ASCII (no ESC, which JIS reads as an escape) and
// two-byte characters; with `units` the characters are those that code page
// 932 maps back to the same two bytes.
std::string ValidSjis(Generator& gen, const std::vector<uint16_t>* units) {
  std::string s;
  for (int k = gen.Int(0, 80); k > 0; --k) {
    if (gen.Int(0, 2) == 0) {
      uint8_t b = gen.Byte(0, 0x7F);
      s.push_back(static_cast<char>(b == kEsc ? 'e' : b));
    } else if (units) {
      uint16_t code = (*units)[static_cast<size_t>(gen.Int(0, static_cast<int>(units->size()) - 1))];
      s.push_back(static_cast<char>(code >> 8));
      s.push_back(static_cast<char>(code & 0xFF));
    } else {
      gen.AddSjisPair(&s);
    }
  }
  return s;
}

TEST(ConvertPropertyTest, JisAndEucRoundTrips) {
  Generator gen(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text = ValidSjis(gen, nullptr);
    std::string jis, euc, back;
    ASSERT_EQ(SjisToJis(text, &jis), CONV_OK);
    ASSERT_EQ(JisToSjis(jis, &back), CONV_OK);
    ASSERT_EQ(back, text) << testing::PrintToString(text);
    ASSERT_EQ(SjisToEuc(text, &euc), CONV_OK);
    ASSERT_EQ(EucToSjis(euc, &back), CONV_OK);
    ASSERT_EQ(back, text) << testing::PrintToString(text);
  }
}

TEST(ConvertPropertyTest, UnicodeRoundTrips) {
  // Characters whose code page 932 form is a pair with a lead 0x81-0x9F or
  // 0xE0-0xEF that maps back to the same character.
  std::vector<uint16_t> codes;
  for (uint32_t unit = 0x80; unit < 0x10000; ++unit) {
    uint8_t bytes[2];
    if (tv::Cp932UnitToBytes(static_cast<char16_t>(unit), bytes) != 2) continue;
    if (!IsSjisLead(bytes[0]) || tv::Cp932PairToUnit(bytes[0], bytes[1]) != unit) continue;
    codes.push_back(static_cast<uint16_t>(bytes[0] << 8 | bytes[1]));
  }
  ASSERT_GT(codes.size(), 6000u);
  Generator gen(11);
  for (int round = 0; round < 3000; ++round) {
    std::string text = ValidSjis(gen, &codes);
    std::string utf8, back;
    ASSERT_EQ(SjisToUtf8(text, &utf8), CONV_OK);
    // Well-formed UTF-8 (controls aside, which the structure test refuses)
    // with no overlong form.
    std::string structure = utf8;
    for (char& c : structure) c = static_cast<uint8_t>(c) < 0x20 ? ' ' : c;
    ASSERT_TRUE(IsUtf8Text(structure));
    ASSERT_EQ(utf8.find_first_of("\xC0\xC1"), std::string::npos);
    ASSERT_EQ(Utf8ToSjis(utf8, &back), CONV_OK);
    ASSERT_EQ(back, text) << testing::PrintToString(text);

    std::u16string units = tv::Cp932ToUtf16(text);
    std::string utf16;
    for (char16_t u : units) {
      utf16.push_back(static_cast<char>(u & 0xFF));
      utf16.push_back(static_cast<char>(u >> 8));
    }
    ASSERT_EQ(Utf16ToSjis(utf16, &back), CONV_OK);
    ASSERT_EQ(back, text) << testing::PrintToString(text);
  }
}

TEST(AppendBytesTest, GrowsAndKeepsTheZeroAfterTheText) {
  std::string buffer;
  std::string expected;
  size_t reallocations = 0;
  const char* data = buffer.data();
  for (int k = 0; k < 100000; ++k) {
    std::string piece(static_cast<size_t>(k % 3 + 1), static_cast<char>('a' + k % 26));
    ASSERT_TRUE(AppendBytes(&buffer, piece));
    expected += piece;
    if (buffer.data() != data) {
      ++reallocations;
      data = buffer.data();
    }
  }
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(buffer.c_str()[buffer.size()], '\0');
  // Amortised growth: a few dozen moves for 200 kB, not one per 256 bytes.
  EXPECT_LT(reallocations, 40u);
  EXPECT_FALSE(AppendBytes(nullptr, "x"));
}

}  // namespace
}  // namespace kanvo
