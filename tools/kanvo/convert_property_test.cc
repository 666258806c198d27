// The converters and detection checked against the plain method
// (plain_convert.h) over many generated inputs, well-formed and malformed.
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
#include "tools/kanvo/plain_convert.h"

namespace kanvo {
namespace {

using plain::IsSjisLead;
using plain::kEsc;
using plain::kPairs;
using plain::Pair;
using plain::PlainDetect;

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
