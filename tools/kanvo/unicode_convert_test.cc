#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/cp932.h"

#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/convert.h"

namespace kanvo {
namespace {

using namespace std::string_literals;
using Converter = ConvStatus (*)(std::string_view, std::string*);

// Converts an exact-size heap copy, so that a look past the end shows under
// the address sanitizer; checks the zero byte after the result.
std::string Convert(Converter convert, const std::string& input) {
  std::unique_ptr<char[]> copy(new char[input.size()]);
  std::copy(input.begin(), input.end(), copy.get());
  std::string output = "stale";
  EXPECT_EQ(convert(std::string_view(copy.get(), input.size()), &output), CONV_OK);
  EXPECT_EQ(output.c_str()[output.size()], '\0');
  return output;
}

struct Case {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(Utf8ToSjisTest, Cases) {
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII", "abc\r\n", "abc\r\n"},
      {"hiragana", "\xE3\x81\x82", "\x82\xA0"},
      {"half-width katakana is one byte", "\xEF\xBD\xB1", "\xB1"},
      {"two-byte sequence", "\xCE\x91", "\x83\x9F"},  // Greek capital alpha
      {"four-byte sequence gives the mark", "\xF0\x9F\x98\x80" "a", "\x81\xA1" "a"},
      {"stray bytes dropped", "\x80" "a\xBF\xFE\xFF", "a"},
      // Forms RFC 3629 forbids lose every byte; what follows is read afresh.
      {"overlong slash", "a\xC0\xAF" "b", "ab"},
      {"three-byte overlong slash", "\xE0\x80\xAF", ""},
      {"surrogate", "\xED\xA0\x80" "a", "a"},
      {"above U+10FFFF", "\xF4\x90\x80\x80" "a", "a"},
      {"six-byte form", "\xFC\x80\x80\x80\x80\x80" "a", "a"},
      {"cut off before ASCII", "\xE3\x81" "a\xE3\n", "a\n"},
      {"lead at the end dropped", "a\xE3", "a"},
      {"four-byte lead at the end", "a\xF0", "a"},
      {"cut off before a whole character", "\xE3\xE3\x81\x82", "\x82\xA0"},
      // Em dash, wave dash, double vertical line, minus sign: the mended four.
      {"mended characters", "\u2014\u301C\u2016\u2212", "\x81\x5C\x81\x60\x81\x61\x81\x7C"},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(Utf8ToSjis, c.input), c.expected) << c.name;
}

TEST(Utf16ToSjisTest, Cases) {
  const Case cases[] = {
      {"no units", "", ""},
      {"one byte, no unit", "a", ""},
      {"ASCII", "a\0b\0\r\0\n\0"s, "ab\r\n"},
      {"hiragana", "\x42\x30", "\x82\xA0"},
      {"half-width katakana", "\x71\xFF", "\xB1"},
      {"odd last byte ignored", "a\0x"s, "a"},
      {"units are little-endian", "\x00\x4E"s, "\x88\xEA"},  // U+4E00
      {"mended characters", "\x14\x20\x1C\x30\x16\x20\x12\x22", "\x81\x5C\x81\x60\x81\x61\x81\x7C"},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(Utf16ToSjis, c.input), c.expected) << c.name;
}

TEST(SjisToUtf8Test, Cases) {
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII", "abc\r\n", "abc\r\n"},
      {"hiragana", "\x82\xA0", "\xE3\x81\x82"},
      {"half-width katakana", "\xB1", "\xEF\xBD\xB1"},
      {"two-byte form", "\x83\x9F", "\xCE\x91"},
      {"bytes that start no character copied", "\x80\xA0\xFD\xFF", "\x80\xA0\xFD\xFF"},
      {"IBM extension row", "\xFB\xFC\xFA\x40", "\xE9\xAB\x99\xE2\x85\xB0"},
      {"user-defined row", "\xF0\x40", "\xEE\x80\x80"},
      {"lead at the end converted alone", "a\x82", "a\xE3\x83\xBB"},
      {"pair with no character", "\x85\x40", "\xE3\x83\xBB"},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(SjisToUtf8, c.input), c.expected) << c.name;
}

TEST(UnicodeConvertersTest, EveryCodePageCharacterReachesUtf8Unchanged) {
  // Every unit with a code page 932 pair that maps back to it, IBM
  // extension rows included, survives UTF-16 -> Shift_JIS -> UTF-8.
  std::string utf16, expected;
  for (uint32_t unit = 0x80; unit < 0x10000; ++unit) {
    uint8_t bytes[2];
    if (tv::Cp932UnitToBytes(static_cast<char16_t>(unit), bytes) != 2 ||
        tv::Cp932PairToUnit(bytes[0], bytes[1]) != unit) {
      continue;
    }
    utf16 += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    if (unit < 0x800) {
      expected += {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
    } else {
      expected += {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | ((unit >> 6) & 0x3F)),
                   static_cast<char>(0x80 | (unit & 0x3F))};
    }
  }
  std::string sjis = Convert(Utf16ToSjis, utf16);
  EXPECT_EQ(Convert(SjisToUtf8, sjis), expected);
}

TEST(UnicodeConvertersTest, MissingOutputPlace) {
  for (Converter convert : std::initializer_list<Converter>{Utf8ToSjis, Utf16ToSjis, SjisToUtf8}) {
    EXPECT_EQ(convert("abcd", nullptr), CONV_ERR_PARAM);
  }
}

TEST(UnicodeCharTest, SequenceAndCharacter) {
  uint8_t sjis[2];
  EXPECT_EQ(Utf8SequenceToSjis("\xE3\x81\x82", sjis), 2);
  EXPECT_EQ(sjis[0] << 8 | sjis[1], 0x82A0);
  EXPECT_EQ(Utf8SequenceToSjis("\xEF\xBD\xB1", sjis), 1);
  EXPECT_EQ(sjis[0], 0xB1);
  EXPECT_EQ(Utf8SequenceToSjis("\xF0\x9F\x98\x80", sjis), 0);

  uint8_t utf8[3];
  EXPECT_EQ(SjisCharToUtf8(0x82, 0xA0, utf8), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(utf8), 3), "\xE3\x81\x82");
  EXPECT_EQ(SjisCharToUtf8(0x83, 0x9F, utf8), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(utf8), 2), "\xCE\x91");
  EXPECT_EQ(SjisCharToUtf8(0xDF, 0, utf8), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(utf8), 3), "\xEF\xBE\x9F");
}

}  // namespace
}  // namespace kanvo
