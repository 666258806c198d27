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
#include "tools/kanvo/generated_text.h"
#include "tools/kanvo/plain_convert.h"

namespace kanvo {
namespace {

using plain::IsSjisLead;
using plain::kEsc;
using plain::kPairs;
using plain::Pair;
using plain::PlainDetect;

using testing_text::Generator;

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
